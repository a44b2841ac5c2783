#include "terrain/DEMHeightMap.h"
#include "texture/HeightMapTexture.h"
#include "texture/ImageFileTexture.h"
#include "texture/NormalMap.h"
#include "texture/ProceduralTexture.h"
#include "texture/TriGridTexture.h"

#include "support/GlContext.h"
#include "support/TestHeightMaps.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using Bytes = std::vector<unsigned char>;

TEST(Texels, workedValuesOfTheFormulasAndPainting) {
    EXPECT_EQ(heightTexel(105, 210), 127);
    EXPECT_EQ(heightTexel(210.95f, 210), 255); // a peak above maxHeight must not wrap to 0
    const TexelColour contour = triGridColour(0.02f), outside = triGridColour(-1);
    EXPECT_TRUE(contour.r == 30 && contour.g == 0 && contour.b == 0);
    EXPECT_TRUE(outside.r == 254 && outside.g == 255 && outside.b == 254);
    // Band weights for M = 210 by height.
    const TexelBands bands = makeBands(210);
    const float weights[][1 + kTileCount] = {{0, 1, 0, 0, 0, 0},
                                             {104, 0, 0, 1, 0, 0},
                                             {78, 0, 25 / 51.5f, 25.5f / 51.5f, 0, 0},
                                             {230, 0, 0, 0, 0, 30.5f / 51.5f}};
    for (const auto& row : weights)
        for (int l = 0; l < kTileCount; ++l)
            EXPECT_EQ(bandWeight(bands, l, row[0]), row[1 + l]) << row[0];
    // The mean of row and column interpolation; wider than long, so steps differ.
    const float samples[2][3] = {{0, 10, 20}, {40, 50, 70}};
    const GridHeightMap map(3, 2, [&](int r, int c) { return samples[r][c]; });
    for (const auto& [i, j, h] :
         {std::tuple{256, 256, 13.75f}, {512, 512, 55.0f}, {0, 384, 15.0f}, {1023, 1023, 70.0f}})
        EXPECT_EQ(sampleHeight(map, i, j), h) << i << ", " << j;

    // Painting equals the formula taken literally.
    std::mt19937 random(2024);
    const GridHeightMap land(37, 53, [&](int, int) { // water a quarter of it
        return random() % 4 ? float(random() % 22000) / 100 - 5 : 0.0f;
    });
    ColourTiles tiles;
    for (int l = 0; l < kTileCount; ++l) {
        const int width = 3 + 2 * l, height = 11 - 2 * l, bits = l % 2 ? 32 : 24;
        tiles[l] = Image{Bytes(width * height * bits / 8), width, height, bits, false};
        for (unsigned char& byte : tiles[l].pixels) byte = static_cast<unsigned char>(random());
    }
    Bytes texels(kProceduralSize * kProceduralSize * 3);
    paintTexels(land, bands, tiles, texels.data());
    int mismatches = 0;
    for (int j = 0; j < kProceduralSize; ++j)
        for (int i = 0; i < kProceduralSize; ++i) {
            float sum[3] = {0, 0, 0}; // every tile in order, zero weights included
            for (int l = 0; l < kTileCount; ++l) {
                const Image& tile = tiles[l];
                const float w = bandWeight(bands, l, sampleHeight(land, i, j));
                const int at =
                    ((j % tile.height) * tile.width + i % tile.width) * tile.bitsPerPixel / 8;
                for (int c = 0; c < 3; ++c) sum[c] += w * float(tile.pixels[at + c]);
            }
            for (int c = 0; c < 3; ++c)
                mismatches += texels[(j * kProceduralSize + i) * 3 + c] != (int(sum[c]) & 0xff);
        }
    EXPECT_EQ(mismatches, 0);
}

using TextureGl = GlTest;

// Sizes neither square nor the map's, so rows and columns cannot trade.
TEST_F(TextureGl, eachClassLeavesItsSizeFormatFiltersAndTexels) {
    const std::string source = TERRAINS_SOURCE_DIR, fixtures = source + "/tests/texture/fixtures/";
    GridHeightMap map(6, 5, [](int r, int c) { return float(r == 0 && c == 1) * 105; });
    map.maxHeight = map.heights[6] = 210; // sample (0, 1) at half of it
    GridHeightMap tilted(5, 3, [](int, int) { return 0.0f; });
    for (int i = 0; i < 15; ++i) tilted.normals.insert(tilted.normals.end(), {0, 1, 0});
    tilted.normals[21] = -1, tilted.normals[22] = 0, tilted.normals[23] = 1; // sample (1, 2)
    Bytes normals;
    for (int t = 0; t < 8; ++t) normals.insert(normals.end(), {127, 254, 127});
    normals[18] = 0, normals[19] = 127, normals[20] = 254; // texel 6 from sample (1, 2)
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(source + "/data"); // where the tiles are
    auto procedural = std::make_unique<ProceduralTexture>(&map);
    std::filesystem::current_path(saved);
    const Bytes painted = procedural->pixels;
    auto image = [&](const char* name) {
        return std::make_unique<ImageFileTexture>((fixtures + name).c_str());
    };
    const GLint mipmapped = GL_LINEAR_MIPMAP_LINEAR, linear = GL_LINEAR;
    // Internal format, size, filters, and the first texels each texture holds.
    const std::tuple<std::shared_ptr<Texture>, std::vector<GLint>, Bytes> cases[] = {
        {image("tga24-2x2.tga"),
         {GL_RGB, 2, 2, mipmapped, linear},
         loadImage((fixtures + "tga24-2x2.tga").c_str()).pixels},
        {image("tga32-rle.tga"), {GL_RGBA, 8, 8, mipmapped, linear}, {}}, // 9 x 6, scaled by GLU
        {std::make_unique<HeightMapTexture>(&map, 5, 2),                  // rows padded to 8 bytes
         {GL_ALPHA, 5, 2, linear, linear},
         {0, 127, 0, 0, 0, 255, 0, 0, 0, 0}},
        {std::make_unique<NormalMap>(&tilted, 4, 2), {GL_RGB, 4, 2, linear, linear}, normals},
        {std::make_unique<TriGridTexture>(), {GL_RGB, 128, 128, linear, linear}, {231, 242, 228}},
        {std::move(procedural), {GL_RGB, 1024, 1024, linear, linear}, painted}};
    for (const auto& [texture, expected, texels] : cases) {
        texture->bind();
        EXPECT_TRUE(glIsTexture(texture->textureId));
        std::vector<GLint> got(5);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &got[0]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got[1]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &got[2]);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &got[3]);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &got[4]);
        EXPECT_EQ(got, expected);
        Bytes read(size_t(got[1]) * got[2] * (got[0] == GL_ALPHA ? 1 : got[0] == GL_RGB ? 3 : 4));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, got[0], GL_UNSIGNED_BYTE, read.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        EXPECT_EQ(Bytes(read.begin(), read.begin() + std::min(read.size(), texels.size())), texels);
        texture->unbind();
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0);
    }
    EXPECT_EQ(drainGlErrors(), std::vector<GLenum>{});
}
