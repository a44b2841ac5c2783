// The texture classes in a real GL context: what each leaves on its texture object.

#include "TestHeightMap.h"

#include "texture/HeightMapTexture.h"
#include "texture/ImageFileTexture.h"
#include "texture/NormalMap.h"
#include "texture/ProceduralTexture.h"
#include "texture/TriGridTexture.h"

#include "support/GlContext.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

const std::string kFixtures = std::string(TERRAINS_SOURCE_DIR) + "/tests/texture/fixtures/";
const std::string kData = std::string(TERRAINS_SOURCE_DIR) + "/data";

GLint levelParameter(GLenum name, int level = 0) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint parameter(GLenum name) {
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

// Level 0 of the bound texture, rows packed.
Bytes readTexels(GLenum format, int bytesPerTexel) {
    const int width = levelParameter(GL_TEXTURE_WIDTH), height = levelParameter(GL_TEXTURE_HEIGHT);
    Bytes texels(size_t(width) * height * bytesPerTexel);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return texels;
}

std::string writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

// Runs a block in another working directory.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& dir) : saved_(fs::current_path()) {
        fs::current_path(dir);
    }
    ~WorkingDirectory() { fs::current_path(saved_); }

private:
    fs::path saved_;
};

fs::path freshDirectory(const std::string& name) {
    const fs::path dir =
        fs::temp_directory_path() / ("terrains-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

class TextureGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    void TearDown() override { EXPECT_EQ(drainGlErrors(), std::vector<GLenum>{}); }
};

} // namespace

// Image-file textures.

TEST_F(TextureGl, imageFile24BitIsMipmappedRgb) {
    const std::string path = kFixtures + "bmp24.bmp";
    ImageFileTexture texture(path.c_str());
    ASSERT_NE(texture.textureId, 0u);
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), texture.textureId);
    EXPECT_EQ(levelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(levelParameter(GL_TEXTURE_HEIGHT), 8);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH, 3), 1); // the whole mipmap chain
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(readTexels(GL_RGB, 3), loadImage(path.c_str()).pixels);
}

TEST_F(TextureGl, imageFile32BitIsRgba) {
    ImageFileTexture texture((kFixtures + "tga32-rle.tga").c_str());
    ASSERT_NE(texture.textureId, 0u);
    EXPECT_EQ(levelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(TextureGl, imageFileRowsOfAnyLengthAreReadPacked) {
    // 2 x 2 at 24 bits: rows of 6 bytes, which GL's default alignment would read as 8.
    const fs::path dir = freshDirectory("packed-rows");
    const Bytes file = {0, 0,  2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2,  0,  2,
                        0, 24, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ImageFileTexture texture(writeFile(dir / "rows.tga", file).c_str());
    EXPECT_EQ(readTexels(GL_RGB, 3), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 4);
    fs::remove_all(dir);
}

TEST_F(TextureGl, imageFileThatDoesNotLoadLeavesNameZeroAndTwoMessages) {
    const std::string path = "textures/no-such-detailMap.tga";
    testing::internal::CaptureStderr();
    ImageFileTexture texture(path.c_str());
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(texture.textureId, 0u);
    EXPECT_EQ(errors, "Could not open file " + path + ".\nError loading texture: " + path + "\n");
    glBindTexture(GL_TEXTURE_2D, 5);
    texture.bind();
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
}

TEST(ImageFormat, byBitsPerPixel) {
    EXPECT_EQ(imageFormat(24), GLenum(GL_RGB));
    EXPECT_EQ(imageFormat(32), GLenum(GL_RGBA));
    EXPECT_EQ(imageFormat(8), GLenum(GL_LUMINANCE));
    EXPECT_EQ(imageFormat(16), GLenum(GL_RGBA));
}

// Generated textures.

TEST_F(TextureGl, heightMapTextureIsAlphaWithLinearFilters) {
    TestHeightMap map(6, 5, 210);
    map.set(0, 1, 105);
    map.set(1, 0, 210);
    map.set(3, 3, 210.95f);
    map.set(2, 2, -0.75f);
    HeightMapTexture texture(&map, 4, 4);
    ASSERT_NE(texture.textureId, 0u);
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), texture.textureId);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(levelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_ALPHA);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParameter(GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH, 1), 0); // no mipmaps
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    const Bytes texels = readTexels(GL_ALPHA, 1);
    EXPECT_EQ(texels[1], 127);
    EXPECT_EQ(texels[4], 255);
    EXPECT_EQ(texels[3 * 4 + 3], 255);
    EXPECT_EQ(texels[2 * 4 + 2], 0);
    EXPECT_EQ(texels[0], 0);
}

TEST_F(TextureGl, heightMapTextureOfOddWidthIsUploadedRowByRow) {
    TestHeightMap map(3, 3, 30);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) map.set(r, c, float(r * 3 + c));
    HeightMapTexture texture(&map, 3, 2);
    EXPECT_EQ(readTexels(GL_ALPHA, 1), (Bytes{0, 8, 17, 25, 34, 42}));
}

TEST_F(TextureGl, normalMapIsRgbAndRecordsItsSize) {
    TestHeightMap map(8, 8, 210);
    map.setAllNormals(0, 1, 0);
    NormalMap texture(&map, 4, 8);
    ASSERT_NE(texture.textureId, 0u);
    EXPECT_EQ(texture.width, 4);
    EXPECT_EQ(texture.height, 8);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(levelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParameter(GL_TEXTURE_HEIGHT), 8);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    const Bytes texels = readTexels(GL_RGB, 3);
    for (size_t i = 0; i < texels.size(); i += 3)
        ASSERT_EQ((Bytes{texels[i], texels[i + 1], texels[i + 2]}), (Bytes{127, 254, 127}));
}

TEST_F(TextureGl, triGridTextureClampsAndReplacesTheFragmentColour) {
    TriGridTexture texture;
    ASSERT_NE(texture.textureId, 0u);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(levelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH), 128);
    EXPECT_EQ(levelParameter(GL_TEXTURE_HEIGHT), 128);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    const Bytes texels = readTexels(GL_RGB, 3);
    EXPECT_EQ((Bytes{texels[0], texels[1], texels[2]}), (Bytes{231, 242, 228}));
    const Bytes rgba = triGridTexels();
    for (size_t i = 0; i < size_t(kTriGridSize) * kTriGridSize; ++i)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(texels[i * 3 + c], rgba[i * 4 + c]) << i;
}

TEST_F(TextureGl, bindAndUnbindActOnTheActiveUnit) {
    TriGridTexture texture;
    glActiveTexture(GL_TEXTURE1);
    texture.bind();
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), texture.textureId);
    texture.unbind();
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), texture.textureId);
}

TEST_F(TextureGl, proceduralTextureIs1024RgbFromTheDefaultTiles) {
    TestHeightMap map(65, 65, 210);
    for (int r = 0; r < 65; ++r)
        for (int c = 0; c < 65; ++c) map.set(r, c, float(r * 4));
    const WorkingDirectory inData(kData);
    ProceduralTexture texture(&map);
    ASSERT_NE(texture.textureId, 0u);
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), texture.textureId);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(levelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH), 1024);
    EXPECT_EQ(levelParameter(GL_TEXTURE_HEIGHT), 1024);
    EXPECT_EQ(levelParameter(GL_TEXTURE_WIDTH, 1), 0);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(readTexels(GL_RGB, 3), texture.pixels);
    for (const Image& tile : texture.tiles) EXPECT_EQ(tile.width, 256);
    EXPECT_EQ(texture.bands[4].peak, 209);
    EXPECT_EQ(texture.sampleHeight(0, 1023), 256); // map row 64.94: the last row, no neighbour
    EXPECT_EQ(texture.bandWeight(1, 26), 1);
    // Texel row 0 lies on map row 0, at height 0: water there, nothing else.
    const Image& water = texture.tiles[0];
    const unsigned char* texel = &texture.pixels[300 * 3];
    const unsigned char* pixel = &water.pixels[(300 % 256) * 3];
    EXPECT_EQ((Bytes{texel[0], texel[1], texel[2]}), (Bytes{pixel[0], pixel[1], pixel[2]}));
}

// A tile that does not load ends the process after the reader's message: the tiles load from
// snow down to water, so with the low-ground tile missing the three before it have loaded.
TEST(ProceduralTextureDeathTest, missingTileAbortsAfterTheReadersMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path dir = freshDirectory("missing-tile");
    fs::create_directories(dir / "textures");
    for (const char* tile : kTilePaths)
        if (std::string(tile) != "textures/lowTile.tga")
            fs::copy_file(kData + "/" + tile, dir / tile);
    TestHeightMap map(4, 4, 210);
    EXPECT_EXIT(
        {
            const WorkingDirectory inDir(dir);
            ProceduralTexture texture(&map);
        },
        testing::KilledBySignal(SIGABRT), "^Could not open file textures/lowTile\\.tga\\.\n$");
    fs::remove_all(dir);
}

TEST(ProceduralTextureDeathTest, emptyTileIsRejectedWhenLoaded) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path dir = freshDirectory("empty-tile");
    fs::create_directories(dir / "textures");
    for (const char* tile : kTilePaths) fs::copy_file(kData + "/" + tile, dir / tile);
    // A 54-byte BMP header of a 0 x 0 picture as the snow tile.
    Bytes empty(54, 0);
    empty[0] = 'B', empty[1] = 'M', empty[2] = 54, empty[10] = 54, empty[14] = 40, empty[28] = 24;
    fs::remove(dir / "textures/snow.bmp");
    writeFile(dir / "textures/snow.bmp", empty);
    TestHeightMap map(4, 4, 210);
    EXPECT_EXIT(
        {
            const WorkingDirectory inDir(dir);
            ProceduralTexture texture(&map);
        },
        testing::KilledBySignal(SIGABRT), "^Could not load BMP\\.\n$");
    fs::remove_all(dir);
}
