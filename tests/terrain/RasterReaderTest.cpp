#include "terrain/DEMHeightMap.h"
#include "terrain/GDALHeightMap.h"
#include "terrain/HeightMapFile.h"
#include "terrain/MapFit.h"

#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

// The fixtures are written by tests/terrain/fixtures/make-raster-fixtures.sh: gdal_translate
// turns the DEM fixtures into rasters of other formats.
namespace {

const std::string kFixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures/";

struct DEMRead {
    GridHeightMap map{0, 0, nullptr};
    std::string report;
};

DEMRead readDEM(const std::string& name) {
    DEMRead dem;
    testing::internal::CaptureStdout();
    DEMHeightMap loaded((kFixtures + name).c_str(), false);
    dem.report = testing::internal::GetCapturedStdout();
    dem.map.width = loaded.width;
    dem.map.length = loaded.length;
    dem.map.maxHeight = loaded.maxHeight;
    dem.map.heights = loaded.heights;
    return dem;
}

RasterRead read(const std::string& path, HeightMap& map) {
    return readRaster(path.c_str(), map);
}

// The report's line that starts with `start`.
std::string line(const std::string& report, const std::string& start) {
    const size_t at = report.find(start);
    return at == std::string::npos ? "" : report.substr(at, report.find('\n', at) + 1 - at);
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string scratchFile(const std::string& name, const std::string& bytes) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

bool isVoid(float demHeight) {
    return demHeight == float(-32767 / 20.0);
}

} // namespace

// Sample (r, c) of the raster against the DEM's sample at where(r, c): the same sample, or the
// one a file stored south up and east to west or GDAL's nearest-neighbour resizing put there.
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
    const struct {
        const char* raster;
        const char* dem;
        const char* driver;
        Where where;
    } cases[] = {
        {"gdal-small.tif", "gdal-small.dem", "GeoTIFF", same},
        {"gdal-small.asc", "gdal-small.dem", "Arc/Info ASCII Grid", same},
        {"gdal-slope.tif", "gdal-slope.dem", "GeoTIFF", same},
        {"gdal-slope-turned.tif", "gdal-slope.dem", "GeoTIFF", turned},
        {"N19W156.hgt.zip", "gdal-small.dem", "SRTMHGT File Format", nearest},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raster);
        const DEMRead dem = readDEM(c.dem);
        GridHeightMap map(0, 0, nullptr);
        const RasterRead result = read(kFixtures + c.raster, map);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(line(result.report, "Name"),
                  "Name of raster is " + std::string(c.raster) + " (" + c.driver + ")\n");
        EXPECT_EQ(line(result.report, "max"), line(dem.report, "max"));
        EXPECT_EQ(result.report.find("Filled"), std::string::npos);
        EXPECT_EQ(map.maxHeight, dem.map.maxHeight);
        const bool resized = c.raster[0] == 'N';
        EXPECT_EQ(map.width, resized ? 1201 : dem.map.width);
        EXPECT_EQ(map.length, resized ? 1201 : dem.map.length);
        if (!resized) {
            EXPECT_EQ(line(result.report, "width"), line(dem.report, "width"));
        }
        int mismatches = 0;
        for (int r = 0; r < map.length; ++r)
            for (int col = 0; col < map.width; ++col) {
                const auto [dr, dc] = c.where(r, col, dem.map);
                mismatches += map.at(r, col) != dem.map.at(dr, dc);
            }
        EXPECT_EQ(mismatches, 0);
    }
}

// No data is the band's no-data value or NaN; each void is filled
// within the range of the known samples around it, and the others are the DEM's.
TEST(RasterReader, noDataAndNaNSamplesAreFilledFromTheirNeighbours) {
    const DEMRead dem = readDEM("gdal-voids.dem");
    const int voids = int(std::count_if(dem.map.heights.begin(), dem.map.heights.end(), isVoid));
    ASSERT_EQ(voids, 4);
    for (const char* raster : {"gdal-voids.tif", "gdal-voids-nan.tif"}) {
        SCOPED_TRACE(raster);
        GridHeightMap map(0, 0, nullptr);
        const RasterRead result = read(kFixtures + raster, map);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(line(result.report, "max"), "maxElevation = 3002, minElevation = -10911\n");
        EXPECT_EQ(line(result.report, "Filled"), "Filled 4 void samples from their neighbours\n");
        EXPECT_EQ(map.maxHeight, 150.0f);
        ASSERT_TRUE(map.width == 4 && map.length == 3);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c) {
                const float h = map.at(r, c);
                if (!isVoid(dem.map.at(r, c))) {
                    EXPECT_EQ(h, dem.map.at(r, c)) << r << ", " << c;
                    continue;
                }
                float low = INFINITY, high = -INFINITY;
                for (int nr = std::max(r - 1, 0); nr <= std::min(r + 1, 2); ++nr)
                    for (int nc = std::max(c - 1, 0); nc <= std::min(c + 1, 3); ++nc)
                        if (!isVoid(dem.map.at(nr, nc)))
                            low = std::min(low, dem.map.at(nr, nc)),
                            high = std::max(high, dem.map.at(nr, nc));
                EXPECT_TRUE(h >= low && h <= high) << r << ", " << c << ": " << h;
            }
    }
}

// A band with a scale and an offset holds value * scale + offset in the file's unit.
TEST(RasterReader, scaleAndOffsetGiveTheElevation) {
    const DEMRead dem = readDEM("gdal-small.dem");
    GridHeightMap map(0, 0, nullptr);
    const RasterRead result = read(kFixtures + "gdal-small-scaled.tif", map);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(line(result.report, "max"), "maxElevation = 2871, minElevation = -900\n");
    EXPECT_EQ(map.maxHeight, 143.0f);
    for (size_t i = 0; i < map.heights.size(); ++i) {
        const double stored = std::round(dem.map.heights[i] * 20.0);
        EXPECT_EQ(map.heights[i], float((stored * 0.5 + 100) / 20.0)) << i;
    }
}

TEST(RasterReader, unreadableFilesAreRefusedWithTheReasonAndStatusOne) {
    const std::string tiff = fileBytes(kFixtures + "gdal-slope.tif");
    const struct {
        std::string path;
        const char* error;
    } cases[] = {
        {kFixtures + "no-such-map.tif", "Can't open raster file - \""},
        {kFixtures + "make-raster-fixtures.sh", "Can't open raster file - \""},
        {scratchFile("truncated.tif", tiff.substr(0, 3000)), "Can't read band 1 of raster file"},
        {kFixtures + "gdal-voids-only.tif", "every sample of band 1 is no data"},
        {kFixtures + "gdal-small-1x4.tif", "a grid of 1 x 4 samples; at least 2 x 2"},
    };
    for (const auto& c : cases) {
        GridHeightMap map(0, 0, nullptr);
        const RasterRead result = read(c.path, map);
        EXPECT_FALSE(result.ok) << c.path;
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
        EXPECT_NE(result.error.find(c.path.substr(c.path.rfind('/'))), std::string::npos);
        EXPECT_TRUE(map.heights.empty() && map.width == 0);
    }
    EXPECT_EXIT(GDALHeightMap(kFixtures + "make-raster-fixtures.sh", true),
                testing::ExitedWithCode(1), "not recognized as a supported file format");
}

// A DEM goes to the project's reader whatever its name, and GDAL is not even loaded for it; a
// raster named like a DEM goes to GDAL.
TEST(HeightMapFile, theReaderIsChosenByContentAndGDALLoadedOnlyForRasters) {
    for (const char* dem : {"gdal-small.dem", "gdal-slope.dem", "gdal-voids.dem"})
        EXPECT_TRUE(looksLikeUSGSDEM(fileBytes(kFixtures + dem).data(), 1024)) << dem;
    // Record A's level, pattern and unit codes, each in its six columns.
    const struct {
        size_t column;
        const char* field;
        bool dem;
    } edits[] = {{144, "     4", true},  {144, "      ", false}, {144, "     5", false},
                 {150, "     2", true},  {150, "    1x", false}, {528, "0     ", true},
                 {528, "    -1", false}, {534, "     1", true},  {534, "     3", false}};
    for (const auto& edit : edits) {
        std::string header = fileBytes(kFixtures + "gdal-small.dem");
        header.replace(edit.column, 6, edit.field);
        EXPECT_EQ(looksLikeUSGSDEM(header.data(), header.size()), edit.dem)
            << edit.column << " '" << edit.field << "'";
    }
    for (const char* raster : {"gdal-small.tif", "gdal-small.asc", "N19W156.hgt.zip"}) {
        const std::string bytes = fileBytes(kFixtures + raster);
        EXPECT_FALSE(looksLikeUSGSDEM(bytes.data(), bytes.size())) << raster;
    }

    const std::string demNamedTiff =
        scratchFile("a-dem.tif", fileBytes(kFixtures + "gdal-small.dem"));
    const std::string tiffNamedDEM =
        scratchFile("a-tiff.dem", fileBytes(kFixtures + "gdal-small.tif"));
    // A fresh process: this one may have loaded GDAL already.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto readAndCheckGDAL = [](const std::string& path, bool rasterExpected) {
        const HeightMap* map = loadHeightMap(path, false);
        const bool loaded = fileBytes("/proc/self/maps").find("libgdal") != std::string::npos;
        std::exit(map->hasNormals() && loaded == rasterExpected ? 0 : 2);
    };
    EXPECT_EXIT(readAndCheckGDAL(demNamedTiff, false), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(readAndCheckGDAL(tiffNamedDEM, true), testing::ExitedWithCode(0), "");
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

// The map is resampled as gdal_translate -outsize -r bilinear resamples the file, stretched to
// a square; one already of a fitting side is left alone.
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

    // A DEM is fitted too, its normals computed from the resampled heights.
    testing::internal::CaptureStdout();
    const HeightMap* dem = loadHeightMap(kFixtures + "gdal-slope.dem", true);
    EXPECT_NE(testing::internal::GetCapturedStdout().find(
                  "width=9, length=400\nResampled width=9, length=400 to width=513, length=513"),
              std::string::npos);
    EXPECT_TRUE(dem->width == 513 && dem->length == 513 && dem->normals.size() == 513u * 513u * 3u);
    delete dem;

    GridHeightMap fitting(5, 5, [](int r, int c) { return float(r * 7 - c); });
    const std::vector<float> before = fitting.heights;
    const MapFit none = fitToMesh(fitting);
    EXPECT_TRUE(none.ok && none.report.empty());
    EXPECT_EQ(fitting.heights, before);
}
