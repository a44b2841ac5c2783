// The procedural colour texture of the default island, painted from the default tiles and saved
// for a person to look at (test-artifacts/procedural-island.png, north at the top).

#include "terrain/DEMHeightMap.h"
#include "texture/ProceduralTexture.h"

#include "support/AppRun.h"

#include <gtest/gtest.h>

#include <string>

TEST(IslandTexture, seaIsWaterLowGroundIsTheLowestTileAndThePictureIsSaved) {
    const std::string data = std::string(TERRAINS_SOURCE_DIR) + "/data/";
    testing::internal::CaptureStdout(); // the DEM header report
    const DEMHeightMap map((data + "hawaii-c").c_str(), false);
    testing::internal::GetCapturedStdout();
    ColourTiles tiles;
    for (int l = 0; l < kTileCount; ++l) {
        tiles[l] = loadImage((data + kTilePaths[l]).c_str());
        ASSERT_FALSE(tiles[l].failed) << kTilePaths[l];
    }
    const TexelBands bands = makeBands(map.maxHeight);
    Screenshot picture;
    picture.width = picture.height = kProceduralSize;
    picture.rgb.resize(size_t(kProceduralSize) * kProceduralSize * 3);
    paintTexels(map, bands, tiles, picture.rgb.data());

    long sea = 0, lowland = 0, mismatches = 0;
    for (int j = 0; j < kProceduralSize; ++j) {
        for (int i = 0; i < kProceduralSize; ++i) {
            const float h = sampleHeight(map, i, j);
            const unsigned char* texel = picture.at(i, j);
            // Where one tile has weight 1 alone the texel is that tile's pixel.
            int tile = -1;
            if (h == 0)
                tile = 0, ++sea;
            else if (h < bands[1].peak)
                tile = 1, ++lowland;
            if (tile < 0) continue;
            const Image& t = tiles[tile];
            const unsigned char* pixel =
                &t.pixels[(size_t(j % t.height) * t.width + i % t.width) * (t.bitsPerPixel / 8)];
            if (texel[0] != pixel[0] || texel[1] != pixel[1] || texel[2] != pixel[2]) ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
    const long texels = long(kProceduralSize) * kProceduralSize;
    EXPECT_GT(sea, texels / 10) << "an island stands in the sea";
    EXPECT_GT(lowland, texels / 50);
    EXPECT_LT(sea + lowland, texels) << "and rises above the lowest band";
    EXPECT_TRUE(picture.savePng(artifactPath("procedural-island.png")));
}
