// Texel generation of the generated textures, without a GL context.

#include "TestHeightMap.h"

#include "texture/HeightMapTexture.h"
#include "texture/NormalMap.h"
#include "texture/ProceduralTexture.h"
#include "texture/TriGridTexture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Deterministic pseudo-random numbers for test data.
struct Random {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    float uniform(float low, float high) {
        return low + (high - low) * float(next() % 65536) / 65535.0f;
    }
};

Image randomTile(Random& random, int width, int height, int bitsPerPixel) {
    Image tile;
    tile.width = width;
    tile.height = height;
    tile.bitsPerPixel = bitsPerPixel;
    tile.failed = false;
    tile.pixels.resize(size_t(width) * height * (bitsPerPixel / 8));
    for (unsigned char& byte : tile.pixels) byte = static_cast<unsigned char>(random.next());
    return tile;
}

Image solidTile(unsigned char r, unsigned char g, unsigned char b) {
    Image tile;
    tile.width = tile.height = 1;
    tile.bitsPerPixel = 24;
    tile.failed = false;
    tile.pixels = {r, g, b};
    return tile;
}

const unsigned char* texelAt(const Bytes& texels, int i, int j) {
    return &texels[(size_t(j) * kProceduralSize + i) * 3];
}

// The texel formula taken literally: every tile in order, zero weights included.
Bytes referenceTexels(const HeightMap& map, const TexelBands& bands, const ColourTiles& tiles) {
    Bytes texels(size_t(kProceduralSize) * kProceduralSize * 3);
    for (int j = 0; j < kProceduralSize; ++j) {
        for (int i = 0; i < kProceduralSize; ++i) {
            const float h = sampleHeight(map, i, j);
            float sums[3] = {0, 0, 0};
            for (int l = 0; l < kTileCount; ++l) {
                const float w = bandWeight(bands, l, h);
                const Image& tile = tiles[l];
                const size_t at = (size_t(j % tile.height) * tile.width + i % tile.width) *
                                  (tile.bitsPerPixel / 8);
                for (int c = 0; c < 3; ++c) sums[c] += w * float(tile.pixels[at + c]);
            }
            unsigned char* texel = &texels[(size_t(j) * kProceduralSize + i) * 3];
            for (int c = 0; c < 3; ++c) texel[c] = static_cast<unsigned char>(int(sums[c]) & 0xff);
        }
    }
    return texels;
}

Bytes paint(const HeightMap& map, const TexelBands& bands, const ColourTiles& tiles) {
    Bytes texels(size_t(kProceduralSize) * kProceduralSize * 3);
    paintTexels(map, bands, tiles, texels.data());
    return texels;
}

} // namespace

// Height texture.

TEST(HeightTexel, isHeightOverMaximumTimes255Truncated) {
    EXPECT_EQ(heightTexel(105, 210), 127);
    EXPECT_EQ(heightTexel(210, 210), 255);
    EXPECT_EQ(heightTexel(0, 210), 0);
    EXPECT_EQ(heightTexel(1, 210), 1); // 1.214
}

TEST(HeightTexel, peaksAboveTheMaximumAndGroundBelowZeroAreClamped) {
    EXPECT_EQ(heightTexel(210.95f, 210), 255); // would wrap to 0 through the low 8 bits
    EXPECT_EQ(heightTexel(211.5f, 210), 255);
    EXPECT_EQ(heightTexel(-0.75f, 210), 0);
    EXPECT_EQ(heightTexel(-400, 210), 0);
}

TEST(HeightTexel, maximumOfZeroOrBelowGivesZero) {
    EXPECT_EQ(heightTexel(0.5f, 0), 0);
    EXPECT_EQ(heightTexel(0, 0), 0);
    EXPECT_EQ(heightTexel(-0.5f, -1), 0);
    EXPECT_EQ(heightTexel(3, -1), 0);
}

TEST(HeightTexels, coverTheFirstColumnsAndRowsRowZeroFirst) {
    TestHeightMap map(5, 4, 210);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c) map.set(r, c, float(r * 40 + c * 10));
    const Bytes texels = heightTexels(map, 4, 2);
    ASSERT_EQ(texels.size(), 8u);
    EXPECT_EQ(texels, (Bytes{0, 12, 24, 36, 48, 60, 72, 85}));
}

TEST(HeightTexels, rowsArePaddedToFourBytes) {
    TestHeightMap map(3, 2, 210, 210);
    const Bytes texels = heightTexels(map, 3, 2);
    EXPECT_EQ(texels, (Bytes{255, 255, 255, 0, 255, 255, 255, 0}));
}

// Normal map.

TEST(NormalTexels, upNormalIsEncodedAs127_254_127) {
    TestHeightMap map(4, 4, 210);
    map.setAllNormals(0, 1, 0);
    const Bytes texels = normalTexels(map, 4, 4);
    ASSERT_EQ(texels.size(), 48u);
    for (size_t i = 0; i < texels.size(); i += 3) {
        EXPECT_EQ(texels[i], 127);
        EXPECT_EQ(texels[i + 1], 254);
        EXPECT_EQ(texels[i + 2], 127);
    }
}

TEST(NormalTexels, componentsMapMinusOneToZeroAndNeverReach255) {
    EXPECT_EQ(normalComponentTexel(-1), 0);
    EXPECT_EQ(normalComponentTexel(0), 127);
    EXPECT_EQ(normalComponentTexel(1), 254);
    EXPECT_EQ(normalComponentTexel(-0.7071068f), 37);
    EXPECT_EQ(normalComponentTexel(std::nextafter(1.0f, 2.0f)), 254);
    EXPECT_EQ(normalComponentTexel(NAN), 0);
}

TEST(NormalTexels, eachTexelTakesItsOwnSampleRowZeroFirst) {
    TestHeightMap map(3, 2, 210);
    map.setAllNormals(0, 1, 0);
    map.normals[(1 * 3 + 2) * 3 + 0] = -1; // row 1, column 2
    const Bytes texels = normalTexels(map, 3, 2);
    ASSERT_EQ(texels.size(), 24u); // rows of 9 bytes padded to 12
    EXPECT_EQ(texels[9], 0);
    EXPECT_EQ(texels[12 + 6], 0);
    EXPECT_EQ(texels[12 + 7], 254);
    EXPECT_EQ(texels[12 + 3], 127);
}

// Tri-grid pattern.

TEST(TriGrid, workedTexelValues) {
    const TexelColour edge = triGridColour(0);
    EXPECT_EQ(edge.r, 231);
    EXPECT_EQ(edge.g, 242);
    EXPECT_EQ(edge.b, 228);
    const TexelColour contour = triGridColour(0.02f);
    EXPECT_EQ(contour.r, 30);
    EXPECT_EQ(contour.g, 0);
    EXPECT_EQ(contour.b, 0);
}

TEST(TriGrid, cornersShowTheEdgeColourAndOutsideIsLimitedTo255) {
    const Bytes texels = triGridTexels();
    ASSERT_EQ(texels.size(), size_t(kTriGridSize) * kTriGridSize * 4);
    auto texel = [&](int row, int column) {
        return &texels[(size_t(row) * kTriGridSize + column) * 4];
    };
    for (auto [row, column] : {std::pair{0, 0}, {0, 127}, {127, 127}, {40, 40}}) {
        EXPECT_EQ(texel(row, column)[0], 231) << row << ", " << column;
        EXPECT_EQ(texel(row, column)[1], 242);
        EXPECT_EQ(texel(row, column)[2], 228);
        EXPECT_EQ(texel(row, column)[3], 0);
    }
    // Below the diagonal c < 0: far from the triangle e is limited to 255.
    EXPECT_EQ(texel(127, 0)[1], 255);
    EXPECT_EQ(texel(127, 0)[0], 255 * 255 / 290 + 30);
    EXPECT_EQ(texel(127, 0)[2], 254);
}

TEST(TriGrid, darkContourRunsInsideTheTriangle) {
    const Bytes texels = triGridTexels();
    // Along row 40 the product a*b*c crosses 0.02 twice inside the triangle (columns 40 to
    // 127): green dips to near 0 there and rises again towards the centre.
    int darkest = 255, darkestColumn = -1;
    for (int column = 40; column < 128; ++column) {
        const int green = texels[(size_t(40) * kTriGridSize + column) * 4 + 1];
        if (green < darkest) darkest = green, darkestColumn = column;
    }
    EXPECT_LT(darkest, 20);
    EXPECT_GT(darkestColumn, 40);
    EXPECT_LT(darkestColumn, 127);
    const int centre = texels[(size_t(42) * kTriGridSize + 85) * 4 + 1];
    EXPECT_GT(centre, 150);
}

// Procedural colour texture: bands and weights.

TEST(Bands, quarterStepsOfTheMaximumHeight) {
    const TexelBands bands = makeBands(210);
    const float expected[kTileCount][3] = {{0, 0, 0},
                                           {0, 51.5f, 103},
                                           {52.5f, 104, 155.5f},
                                           {105, 156.5f, 208},
                                           {157.5f, 209, 260.5f}};
    for (int k = 0; k < kTileCount; ++k) {
        EXPECT_EQ(bands[k].low, expected[k][0]) << k;
        EXPECT_EQ(bands[k].peak, expected[k][1]) << k;
        EXPECT_EQ(bands[k].high, expected[k][2]) << k;
    }
}

TEST(BandWeight, workedHeightsForMaximum210) {
    const TexelBands bands = makeBands(210);
    auto weights = [&](float h) {
        std::vector<float> w;
        for (int l = 0; l < kTileCount; ++l) w.push_back(bandWeight(bands, l, h));
        return w;
    };
    EXPECT_EQ(weights(0), (std::vector<float>{1, 0, 0, 0, 0}));
    EXPECT_EQ(weights(26), (std::vector<float>{0, 1, 0, 0, 0}));
    EXPECT_EQ(weights(-3), (std::vector<float>{0, 1, 0, 0, 0}));
    EXPECT_EQ(weights(104), (std::vector<float>{0, 0, 1, 0, 0}));
    const std::vector<float> at78 = weights(78);
    EXPECT_EQ(at78[1], 25.0f / 51.5f);
    EXPECT_EQ(at78[2], 25.5f / 51.5f);
    EXPECT_NEAR(at78[1], 0.48544, 1e-5);
    EXPECT_NEAR(at78[2], 0.49515, 1e-5);
    EXPECT_EQ(at78[0] + at78[3] + at78[4], 0);
    const std::vector<float> at230 = weights(230);
    EXPECT_EQ(at230[4], 30.5f / 51.5f);
    EXPECT_NEAR(at230[4], 0.59223, 1e-5);
    EXPECT_EQ(at230[0] + at230[1] + at230[2] + at230[3], 0);
    EXPECT_EQ(weights(261), (std::vector<float>{0, 0, 0, 0, 0}));
}

TEST(BandWeight, neighbouringBandsSumToSlightlyBelowOne) {
    const TexelBands bands = makeBands(210);
    for (float h = 53; h < 103; h += 0.25f) {
        const float sum = bandWeight(bands, 1, h) + bandWeight(bands, 2, h);
        EXPECT_NEAR(sum, 50.5f / 51.5f, 1e-5) << h;
    }
}

TEST(BandWeight, maximumOfFourOrLessPaintsLowlandWithoutDividingByZero) {
    for (float maximum : {4.0f, 3.0f, 0.5f, 0.0f, -1.0f}) {
        const TexelBands bands = makeBands(maximum);
        for (float h : {-2.0f, -0.001f, 0.001f, 0.5f, 1.0f, 3.0f, 4.0f, 4.9f, 1000.0f}) {
            SCOPED_TRACE(testing::Message() << "M = " << maximum << ", h = " << h);
            EXPECT_EQ(bandWeight(bands, 0, h), 0);
            EXPECT_EQ(bandWeight(bands, 1, h), 1);
            for (int l = 2; l < kTileCount; ++l) EXPECT_EQ(bandWeight(bands, l, h), 0);
        }
        EXPECT_EQ(bandWeight(bands, 0, 0), 1);
        EXPECT_EQ(bandWeight(bands, 1, 0), 0);
    }
}

TEST(BandWeight, staysFiniteBetweenZeroAndOneForSmallMaxima) {
    for (float maximum : {4.001f, 4.5f, 5.0f, 6.0f, 8.0f, 9.0f, 12.0f}) {
        const TexelBands bands = makeBands(maximum);
        for (float h = -1; h < 2 * maximum; h += 0.125f) {
            for (int l = 0; l < kTileCount; ++l) {
                const float w = bandWeight(bands, l, h);
                ASSERT_TRUE(w >= 0 && w <= 1)
                    << "M = " << maximum << ", h = " << h << ", l = " << l;
            }
        }
    }
}

// Procedural colour texture: sampling the height map.

TEST(SampleHeight, isTheMeanOfRowAndColumnInterpolationNotBilinear) {
    TestHeightMap map(2, 2, 210);
    map.set(0, 1, 10);
    map.set(1, 0, 20);
    map.set(1, 1, 1000);                          // never read
    EXPECT_EQ(sampleHeight(map, 256, 256), 7.5f); // (0 + 10 * 0.5 + 0 + 20 * 0.5) / 2
    EXPECT_EQ(sampleHeight(map, 0, 0), 0);
    // The last column and row have no neighbour beyond them.
    EXPECT_EQ(sampleHeight(map, 1023, 0), 10);
    EXPECT_EQ(sampleHeight(map, 0, 1023), 20);
    EXPECT_EQ(sampleHeight(map, 1023, 1023), 1000);
}

TEST(SampleHeight, mapOf1201SamplesIsSteppedIn1_1728516) {
    TestHeightMap map(1201, 1201, 210);
    for (int r = 0; r < 1201; ++r)
        for (int c = 0; c < 1201; ++c) map.set(r, c, float(c));
    // Texel column 1023 lies at map column 1199.8271484375, between columns 1199 and 1200.
    EXPECT_EQ(sampleHeight(map, 1023, 0), (1199.8271484375f + 1199.0f) * 0.5f);
    EXPECT_EQ(sampleHeight(map, 1, 0), (1.1728515625f + 1.0f) * 0.5f);
}

// Procedural colour texture: painting.

TEST(PaintTexels, heightZeroIsExactlyTheWaterTile) {
    Random random{7};
    TestHeightMap map(33, 33, 210, 0);
    ColourTiles tiles;
    for (int l = 0; l < kTileCount; ++l) tiles[l] = randomTile(random, 16, 8, 24);
    const Bytes texels = paint(map, makeBands(210), tiles);
    for (int j = 0; j < kProceduralSize; j += 37)
        for (int i = 0; i < kProceduralSize; i += 3)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(texelAt(texels, i, j)[c],
                          tiles[0].pixels[((j % 8) * 16 + i % 16) * 3 + c]);
}

TEST(PaintTexels, tileOf256RepeatsFourTimesAcross) {
    Random random{11};
    TestHeightMap map(65, 65, 210, 26); // lowest tile alone
    ColourTiles tiles;
    for (int l = 0; l < kTileCount; ++l) tiles[l] = randomTile(random, 256, 256, l == 1 ? 32 : 24);
    const Bytes texels = paint(map, makeBands(210), tiles);
    for (int j = 0; j < kProceduralSize; j += 5) {
        for (int i = 0; i < kProceduralSize; ++i) {
            const unsigned char* pixel = &tiles[1].pixels[(size_t(j % 256) * 256 + i % 256) * 4];
            const unsigned char* texel = texelAt(texels, i, j);
            ASSERT_TRUE(texel[0] == pixel[0] && texel[1] == pixel[1] && texel[2] == pixel[2])
                << i << ", " << j;
        }
    }
}

TEST(PaintTexels, blendIsTheWeightedSumTruncated) {
    ColourTiles tiles = {solidTile(0, 0, 255), solidTile(200, 100, 3), solidTile(10, 250, 90),
                         solidTile(0, 0, 0), solidTile(255, 255, 255)};
    TestHeightMap map(4, 4, 210, 78);
    const Bytes texels = paint(map, makeBands(210), tiles);
    const float lowest = 25.0f / 51.5f, low = 25.5f / 51.5f;
    const float red = 0 + lowest * 200 + low * 10;
    EXPECT_EQ(texelAt(texels, 500, 500)[0], int(red));
    EXPECT_EQ(texelAt(texels, 500, 500)[1], int(lowest * 100 + low * 250));
    EXPECT_EQ(texelAt(texels, 500, 500)[2], int(lowest * 3 + low * 90));
}

TEST(PaintTexels, equalsTheTexelFormulaTakenLiterally) {
    Random random{2024};
    for (auto [columns, rows] : {std::pair{37, 53}, {1201, 1201}, {1500, 700}}) {
        SCOPED_TRACE(testing::Message() << columns << " x " << rows);
        TestHeightMap map(columns, rows, 210);
        const TexelBands bands = makeBands(210);
        for (float& h : map.heights) {
            // Mostly smooth values, with exact zeros and band limits among them.
            const uint32_t pick = random.next() % 16;
            if (pick == 0)
                h = 0;
            else if (pick == 1)
                h = bands[1 + random.next() % 4].peak;
            else if (pick == 2)
                h = bands[1 + random.next() % 4].low;
            else if (pick == 3)
                h = bands[1 + random.next() % 4].high;
            else
                h = random.uniform(-5, 215);
        }
        const ColourTiles tiles = {randomTile(random, 7, 5, 24), randomTile(random, 256, 256, 32),
                                   randomTile(random, 3, 11, 24), randomTile(random, 1, 1, 32),
                                   randomTile(random, 256, 128, 24)};
        EXPECT_TRUE(paint(map, bands, tiles) == referenceTexels(map, bands, tiles));
    }
}
