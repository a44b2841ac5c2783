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
#include <functional>
#include <string>

// The fixtures are written by tests/terrain/fixtures/make-raster-fixtures.sh: gdal_translate
// turns the DEM fixtures into rasters of other formats.
namespace {

const std::string kFixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures/";

DEMHeightMap readDEM(const char* name) {
    return DEMHeightMap((kFixtures + name).c_str(), false);
}

RasterRead read(const std::string& path, HeightMap& map) {
    return readRaster(path.c_str(), map);
}

// The report's line that starts with `start`.
std::string line(const std::string& report, const std::string& start) {
    const size_t at = report.find(start);
    return at == std::string::npos ? "" : report.substr(at, report.find('\n', at) + 1 - at);
}

} // namespace

// Raster sample (r, c) against the DEM's sample at where(r, c): the same one, or the one that a
// file stored south up and east to west, or GDAL's nearest-neighbour resizing, put there. A band
// with a scale and an offset holds value * scale + offset; a scale of 0 is no scale. No data, the
// band's no-data value or NaN, is left out of the report's range and filled as the DEM reader
// fills its voids.
TEST(RasterReader, everyFormatGivesTheDEMReadersHeightsSampleForSample) {
    using Where = std::function<std::pair<int, int>(int, int, const HeightMap&)>;
    const Where same = [](int r, int c, const HeightMap&) { return std::make_pair(r, c); };
    const Where turned = [](int r, int c, const HeightMap& dem) {
        return std::make_pair(dem.length - 1 - r, dem.width - 1 - c);
    };
    const Where nearest = [](int r, int c, const HeightMap& dem) {
        return std::make_pair(int((r + 0.5) * dem.length / 1201),
                              int((c + 0.5) * dem.width / 1201));
    };
    const std::string unscaled = testing::TempDir() + "gdal-small-scale-0.tif";
    ASSERT_EQ(runCommand({"gdal_translate", "-q", "-a_scale", "0", kFixtures + "gdal-small.tif",
                          unscaled}),
              0);
    const struct {
        std::string raster;
        const char* dem;
        Where where;
        int side; // of a resized raster
        double scale, offset;
        const char* range;
        int filled;
    } cases[] = {
        {"gdal-small.tif", "gdal-small.dem", same, 0, 1, 0, "5543, minElevation = -2000", 0},
        {"gdal-small.asc", "gdal-small.dem", same, 0, 1, 0, "5543, minElevation = -2000", 0},
        {"gdal-slope.tif", "gdal-slope.dem", same, 0, 1, 0, "2683, minElevation = -554", 0},
        {"gdal-slope-turned.tif", "gdal-slope.dem", turned, 0, 1, 0, "2683, minElevation = -554",
         0},
        {"N19W156.hgt.zip", "gdal-small.dem", nearest, 1201, 1, 0, "5543, minElevation = -2000", 0},
        {"gdal-small-scaled.tif", "gdal-small.dem", same, 0, 0.5, 100, "2871, minElevation = -900",
         0},
        {unscaled, "gdal-small.dem", same, 0, 1, 0, "5543, minElevation = -2000", 0},
        {"gdal-voids.tif", "gdal-voids.dem", same, 0, 1, 0, "3002, minElevation = -10911", 4},
        {"gdal-voids-nan.tif", "gdal-voids.dem", same, 0, 1, 0, "3002, minElevation = -10911", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raster);
        const DEMHeightMap dem = readDEM(c.dem);
        GridHeightMap map(0, 0, nullptr);
        const RasterRead result = read(c.raster[0] == '/' ? c.raster : kFixtures + c.raster, map);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(line(result.report, "max"), "maxElevation = " + std::string(c.range) + "\n");
        const std::string name = c.raster.substr(c.raster.rfind('/') + 1); // named without folders
        EXPECT_EQ(line(result.report, "Name").rfind("Name of raster is " + name + " (", 0), 0u);
        EXPECT_EQ(map.maxHeight, float(std::stoi(c.range) / 20));
        EXPECT_EQ(line(result.report, "Filled"), c.filled
                                                     ? "Filled " + std::to_string(c.filled) +
                                                           " void samples from their neighbours\n"
                                                     : "");
        ASSERT_EQ(map.width, c.side ? c.side : dem.width);
        ASSERT_EQ(map.length, c.side ? c.side : dem.length);
        int mismatches = 0;
        for (int r = 0; r < map.length; ++r)
            for (int col = 0; col < map.width; ++col) {
                const auto [dr, dc] = c.where(r, col, dem);
                const double stored = std::round(dem.at(dr, dc) * 20.0);
                mismatches +=
                    map.at(r, col) !=
                    (c.scale == 1 ? dem.at(dr, dc) : float((stored * c.scale + c.offset) / 20.0));
            }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(RasterReader, unreadableFilesAreRefusedWithTheReasonAndStatusOne) {
    const std::string tiff = readFile(kFixtures + "gdal-slope.tif");
    const struct {
        std::string path;
        const char* error;
    } cases[] = {
        {kFixtures + "no-such-map.tif", "Can't open raster file - \""},
        {kFixtures + "make-raster-fixtures.sh", "Can't open raster file - \""},
        {writeTempFile("truncated.tif", tiff.substr(0, 3000)), "Can't read band 1 of raster file"},
        {kFixtures + "gdal-voids-only.tif", "every sample of band 1 is no data"},
        {kFixtures + "gdal-small-1x4.tif", "a grid of 1 x 4 samples; at least 2 x 2"},
    };
    for (const auto& c : cases) {
        GridHeightMap map(0, 0, nullptr);
        const RasterRead result = read(c.path, map);
        EXPECT_FALSE(result.ok) << c.path;
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
        EXPECT_NE(result.error.find(" - \"" + c.path + "\": "), std::string::npos);
        EXPECT_TRUE(map.heights.empty() && map.width == 0);
    }
    EXPECT_EXIT(GDALHeightMap(kFixtures + "make-raster-fixtures.sh", true),
                testing::ExitedWithCode(1), "not recognized as a supported file format");
}

// A DEM goes to the project's reader whatever its name, and GDAL is not even loaded for it; a
// raster named like a DEM goes to GDAL. A DEM is known by record A's level, pattern and unit
// codes, each in its six columns.
TEST(HeightMapFile, theReaderIsChosenByContentAndGDALLoadedOnlyForRasters) {
    const struct {
        size_t column;
        const char* field;
        bool dem;
    } edits[] = {{144, "     1", true},  {144, "      ", false}, {144, "     5", false},
                 {150, "     2", true},  {150, "    1x", false}, {528, "0     ", true},
                 {528, "    -1", false}, {534, "     1", true},  {534, "     3", false}};
    for (const auto& edit : edits) {
        std::string header = readFile(kFixtures + "gdal-small.dem");
        header.replace(edit.column, 6, edit.field);
        EXPECT_EQ(looksLikeUSGSDEM(header.data(), header.size()), edit.dem)
            << edit.column << " '" << edit.field << "'";
    }
    for (const char* raster : {"gdal-small.tif", "gdal-small.asc", "N19W156.hgt.zip"}) {
        const std::string bytes = readFile(kFixtures + raster);
        EXPECT_FALSE(looksLikeUSGSDEM(bytes.data(), bytes.size())) << raster;
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

TEST(MapFit, theSideIsTheSmallestTwoToTheKPlusOneCoveringTheMapUpTo4097) {
    const struct {
        int width, length, side;
    } cases[] = {{1201, 1201, 2049}, {1201, 600, 2049},  {600, 1201, 2049},  {3601, 3601, 4097},
                 {9000, 20, 4097},   {4097, 4097, 4097}, {1025, 1025, 1025}, {1026, 3, 2049},
                 {2, 2, 3},          {7, 3, 9},          {5, 4, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(fitSide(c.width, c.length), c.side) << c.width << " x " << c.length;
}

// As gdal_translate -outsize -r bilinear resamples the file, stretched to a square; a DEM too,
// its normals computed from the resampled heights; a map of a fitting side is left alone.
TEST(MapFit, resamplesBilinearlyAsGDALDoesAndLeavesAFittingMapAlone) {
    GridHeightMap map(0, 0, nullptr), expected(0, 0, nullptr);
    ASSERT_TRUE(read(kFixtures + "gdal-small-7x3.tif", map).ok);
    ASSERT_TRUE(read(kFixtures + "gdal-small-7x3-to-9x9.tif", expected).ok);
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

    GridHeightMap fitting(5, 5, [](int r, int c) { return float(r * 7 - c); });
    const MapFit none = fitToMesh(fitting);
    EXPECT_TRUE(none.ok && none.report.empty());
    EXPECT_EQ(fitting.at(4, 3), 25.0f);
}
