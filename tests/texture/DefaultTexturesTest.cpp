// The texture set in data/textures, written by tools/maketextures.

#include "texture/Image.h"
#include "texture/ProceduralTexture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

namespace {

const char* const kTextureFiles[] = {
    "textures/water.bmp",     "textures/lowestTile.tga", "textures/lowTile.tga",
    "textures/highTile.tga",  "textures/snow.bmp",       "textures/detailMap.tga",
    "textures/water.tga",     "textures/beach_tile.tga", "textures/grass_tile.tga",
    "textures/snow_tile.tga",
};

std::string dataPath(const std::string& file) {
    return std::string(TERRAINS_SOURCE_DIR) + "/data/" + file;
}

Image load(const std::string& file) {
    testing::internal::CaptureStderr();
    Image image = loadImage(dataPath(file).c_str());
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors, "") << file;
    return image;
}

struct Mean {
    double r = 0, g = 0, b = 0;
};

Mean meanColour(const Image& image) {
    const int bytes = image.bitsPerPixel / 8;
    Mean mean;
    const size_t count = size_t(image.width) * image.height;
    for (size_t i = 0; i < count; ++i) {
        mean.r += image.pixels[i * bytes];
        mean.g += image.pixels[i * bytes + 1];
        mean.b += image.pixels[i * bytes + 2];
    }
    mean.r /= count;
    mean.g /= count;
    mean.b /= count;
    return mean;
}

// Mean absolute channel difference between pixel pairs a fixed step apart.
double meanStep(const Image& image, int dx, int dy, bool acrossSeamOnly) {
    const int bytes = image.bitsPerPixel / 8;
    auto at = [&](int x, int y) { return &image.pixels[(size_t(y) * image.width + x) * bytes]; };
    double sum = 0;
    long count = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int nx = x + dx, ny = y + dy;
            const bool seam = nx >= image.width || ny >= image.height;
            if (seam != acrossSeamOnly) continue;
            const unsigned char* p = at(x, y);
            const unsigned char* q = at(nx % image.width, ny % image.height);
            for (int c = 0; c < 3; ++c) sum += std::abs(int(p[c]) - int(q[c]));
            count += 3;
        }
    }
    return sum / count;
}

} // namespace

TEST(DefaultTextures, everyFileTheProgramReadsIsA256SquareImage) {
    std::set<int> tgaKinds;
    for (const char* file : kTextureFiles) {
        SCOPED_TRACE(file);
        const Image image = load(file);
        ASSERT_FALSE(image.failed);
        EXPECT_EQ(image.width, 256);
        EXPECT_EQ(image.height, 256);
        std::ifstream in(dataPath(file), std::ios::binary);
        char head[3] = {};
        in.read(head, 3);
        if (std::string(file).substr(std::string(file).size() - 4) == ".bmp") {
            EXPECT_EQ(std::string(head, 2), "BM");
            EXPECT_EQ(image.bitsPerPixel, 24);
        } else {
            tgaKinds.insert(head[2]);
        }
    }
    EXPECT_EQ(tgaKinds, (std::set<int>{2, 10})) << "both TGA decoders run on the default set";
    for (const char* tile : kTilePaths)
        EXPECT_NE(std::find(std::begin(kTextureFiles), std::end(kTextureFiles), std::string(tile)),
                  std::end(kTextureFiles));
}

TEST(DefaultTextures, tileWithoutSeams) {
    for (const char* file : kTextureFiles) {
        SCOPED_TRACE(file);
        const Image image = load(file);
        ASSERT_FALSE(image.failed);
        // Across the wrap the picture changes no more than between any two neighbours inside.
        EXPECT_LT(meanStep(image, 1, 0, true), 1.3 * meanStep(image, 1, 0, false) + 1);
        EXPECT_LT(meanStep(image, 0, 1, true), 1.3 * meanStep(image, 0, 1, false) + 1);
    }
}

TEST(DefaultTextures, coloursMatchTheirNames) {
    for (const char* file : {"textures/water.bmp", "textures/water.tga"}) {
        const Mean m = meanColour(load(file));
        EXPECT_TRUE(m.b > m.g && m.g > m.r && m.b > 80) << file;
    }
    for (const char* file : {"textures/lowestTile.tga", "textures/beach_tile.tga"}) {
        const Mean m = meanColour(load(file));
        EXPECT_TRUE(m.r > m.g && m.g > m.b && m.r > 150) << file; // sand
    }
    for (const char* file : {"textures/lowTile.tga", "textures/grass_tile.tga"}) {
        const Mean m = meanColour(load(file));
        EXPECT_TRUE(m.g > m.r * 1.3 && m.g > m.b * 1.5) << file;
    }
    const Mean rock = meanColour(load("textures/highTile.tga"));
    EXPECT_LT(std::max({rock.r, rock.g, rock.b}) - std::min({rock.r, rock.g, rock.b}),
              40); // grey to brown
    EXPECT_GT(rock.r, 70);
    EXPECT_LT(rock.r, 170);
    for (const char* file : {"textures/snow.bmp", "textures/snow_tile.tga"}) {
        const Mean m = meanColour(load(file));
        EXPECT_TRUE(m.r > 215 && m.g > 215 && m.b > 225) << file;
    }
}

TEST(DefaultTextures, detailMapIsMidGreyWithFineStructure) {
    const Image detail = load("textures/detailMap.tga");
    ASSERT_FALSE(detail.failed);
    for (size_t i = 0; i < detail.pixels.size(); i += 3) {
        ASSERT_EQ(detail.pixels[i], detail.pixels[i + 1]);
        ASSERT_EQ(detail.pixels[i], detail.pixels[i + 2]);
    }
    EXPECT_NEAR(meanColour(detail).r, 128, 2);
    EXPECT_GT(meanStep(detail, 1, 0, false), 4); // structure from pixel to pixel
}
