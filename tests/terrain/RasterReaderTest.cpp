#include "terrain/DEMHeightMap.h"
#include "terrain/GDALHeightMap.h"
#include "terrain/GDALLibrary.h"
#include "terrain/HeightMapFile.h"
#include "terrain/MapFit.h"

#include "support/AppRun.h"
#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

namespace {

const std::string kFixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures/";

} // namespace

// Each raster against its DEM: the same, turned, or resized to 1201 by nearest; value * scale +
// offset; no data filled.
TEST(RasterReader, everyFormatGivesTheDEMReadersHeightsSampleForSample) {
    const struct {
        std::string raster;
        const char *dem, where; // '=' the same sample, 't' turned, 'n' nearest
        double scale, offset;
        const char* range;
        int filled;
    } cases[] = {
        {"gdal-small.tif", "gdal-small.dem", '=', 1, 0, "5543, minElevation = -2000", 0},
        {"gdal-small.asc", "gdal-small.dem", '=', 1, 0, "5543, minElevation = -2000", 0},
        {"gdal-slope.tif", "gdal-slope.dem", '=', 1, 0, "2683, minElevation = -554", 0},
        {"gdal-slope-turned.tif", "gdal-slope.dem", 't', 1, 0, "2683, minElevation = -554", 0},
        {"N19W156.hgt.zip", "gdal-small.dem", 'n', 1, 0, "5543, minElevation = -2000", 0},
        {"gdal-small-scaled.tif", "gdal-small.dem", '=', 0.5, 100, "2871, minElevation = -900", 0},
        {"gdal-voids.tif", "gdal-voids.dem", '=', 1, 0, "3002, minElevation = -10911", 4},
        {"gdal-voids-nan.tif", "gdal-voids.dem", '=', 1, 0, "3002, minElevation = -10911", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raster);
        const DEMHeightMap dem((kFixtures + c.dem).c_str(), false);
        GridHeightMap map(0, 0, nullptr);
        const RasterRead result = readRaster((kFixtures + c.raster).c_str(), map);
        ASSERT_TRUE(result.ok) << result.error;
        const std::string& report = result.report;
        EXPECT_EQ(report.rfind("Name of raster is " + c.raster + " (", 0), 0u) << report;
        EXPECT_EQ(report.substr(report.find(")\nmax") + 2),
                  "maxElevation = " + std::string(c.range) + "\nwidth=" +
                      std::to_string(map.width) + ", length=" + std::to_string(map.length) + "\n" +
                      (c.filled ? "Filled " + std::to_string(c.filled) +
                                      " void samples from their neighbours\n"
                                : ""));
        EXPECT_EQ(map.maxHeight, float(std::stoi(c.range) / 20));
        const bool nearest = c.where == 'n', turned = c.where == 't';
        const auto from = [&](int i, int n) {
            return nearest ? int((i + 0.5) * n / 1201) : turned ? n - 1 - i : i;
        };
        ASSERT_EQ(map.width, nearest ? 1201 : dem.width);
        ASSERT_EQ(map.length, nearest ? 1201 : dem.length);
        int mismatches = 0;
        for (int r = 0; r < map.length; ++r)
            for (int col = 0; col < map.width; ++col) {
                const float h = dem.at(from(r, dem.length), from(col, dem.width));
                mismatches +=
                    map.at(r, col) !=
                    (c.scale == 1 ? h : float((std::round(h * 20.0) * c.scale + c.offset) / 20.0));
            }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(RasterReader, unreadableFilesAreRefusedWithTheReasonAndStatusOne) {
    const std::pair<std::string, const char*> cases[] = {
        {kFixtures + "no-such-map.tif", "Can't open raster file - \""},
        {writeTempFile("cut.tif", readFile(kFixtures + "gdal-slope.tif").substr(0, 3000)),
         "Can't read band 1 of raster file"},
        {kFixtures + "gdal-voids-only.tif", "every sample of band 1 is no data"},
        {kFixtures + "gdal-small-1x4.tif", "a grid of 1 x 4 samples; at least 2 x 2"},
    };
    for (const auto& [path, error] : cases) {
        GridHeightMap map(0, 0, nullptr);
        const RasterRead result = readRaster(path.c_str(), map);
        EXPECT_FALSE(result.ok) << path;
        EXPECT_NE(result.error.find(error), std::string::npos) << result.error;
        EXPECT_NE(result.error.find(" - \"" + path + "\": "), std::string::npos);
        EXPECT_TRUE(map.heights.empty() && map.width == 0);
    }
    EXPECT_EXIT(GDALHeightMap(kFixtures + "make-raster-fixtures.sh", true),
                testing::ExitedWithCode(1), "not recognized as a supported file format");
}

// A DEM is known by record A's codes whatever its name, and read without loading GDAL.
TEST(HeightMapFile, theReaderIsChosenByContentAndGDALLoadedOnlyForRasters) {
    const std::tuple<size_t, const char*, bool> edits[] = {
        {144, "      ", false}, {144, "     5", false}, {150, "     2", true},
        {150, "    1x", false}, {528, "0     ", true},  {534, "     1", true},
        {534, "     3", false}};
    for (const auto& [column, field, dem] : edits) {
        std::string header = readFile(kFixtures + "gdal-small.dem");
        header.replace(column, 6, field);
        EXPECT_EQ(looksLikeUSGSDEM(header.data(), header.size()), dem) << column << field;
    }
    // Each in a fresh process: this one may have loaded GDAL already.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto readAndCheckGDAL = [](const char* from, const char* as, bool raster) {
        const HeightMap* map = loadHeightMap(writeTempFile(as, readFile(kFixtures + from)), false);
        const bool loaded = readFile("/proc/self/maps").find("libgdal") != std::string::npos;
        std::exit(map->hasNormals() && loaded == raster ? 0 : 2);
    };
    EXPECT_EXIT(readAndCheckGDAL("gdal-small.dem", "a-dem.tif", false), testing::ExitedWithCode(0),
                "");
    EXPECT_EXIT(readAndCheckGDAL("gdal-small.tif", "a-tiff.dem", true), testing::ExitedWithCode(0),
                "");
}

// As gdal_translate -r bilinear resamples; a DEM too, its normals from the resampled heights.
TEST(MapFit, resamplesBilinearlyAsGDALDoesAndLeavesAFittingMapAlone) {
    GridHeightMap map(0, 0, nullptr), expected(0, 0, nullptr);
    ASSERT_TRUE(readRaster((kFixtures + "gdal-small-7x3.tif").c_str(), map).ok);
    ASSERT_TRUE(readRaster((kFixtures + "gdal-small-7x3-to-9x9.tif").c_str(), expected).ok);
    map.normals.assign(7 * 3 * 3, 0.0f);
    const MapFit fit = fitToMesh(map);
    ASSERT_TRUE(fit.ok) << fit.error;
    EXPECT_EQ(fit.report, "Resampled width=7, length=3 to width=9, length=9 (bilinear) to mesh "
                          "the whole map\n");
    ASSERT_TRUE(map.width == 9 && map.length == 9 && map.heights.size() == 81u);
    EXPECT_FALSE(map.hasNormals());
    for (size_t i = 0; i < 81; ++i) EXPECT_NEAR(map.heights[i], expected.heights[i], 1e-3) << i;
    std::string why;
    GDALDatasetH* datasets = nullptr;
    int open = -1;
    gdalLibrary(why)->GDALGetOpenDatasets(&datasets, &open);
    EXPECT_EQ(open, 0); // the readers' and the resampling's datasets all closed

    const HeightMap* dem = loadHeightMap(kFixtures + "gdal-slope.dem", true);
    EXPECT_TRUE(dem->width == 513 && dem->length == 513 && dem->normals.size() == 513u * 513 * 3);
    delete dem;

    EXPECT_TRUE(fitSide(1025, 1026) == 2049 && fitSide(9000, 20) == 4097 && fitSide(2, 2) == 3);
    GridHeightMap fitting(5, 5, [](int r, int c) { return float(r * 7 - c); });
    const MapFit none = fitToMesh(fitting);
    EXPECT_TRUE(none.ok && none.report.empty());
    EXPECT_EQ(fitting.at(4, 3), 25.0f);
}
