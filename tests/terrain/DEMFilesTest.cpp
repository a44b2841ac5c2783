// DEM files written by other tools, checked sample for sample against what GDAL reads from them.
#include "terrain/DEMHeightMap.h"

#include "support/AppRun.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string sourceDir = TERRAINS_SOURCE_DIR;

struct GdalGrid {
    int columns = 0;
    int rows = 0;
    std::vector<long> values; // rows north to south
};

// The file as GDAL reads it, through its Arc/Info ASCII grid writer on standard output.
GdalGrid readWithGdal(const std::string& path) {
    std::string text;
    const int status =
        runCommand({"gdal_translate", "-q", "-of", "AAIGrid", path, "/vsistdout/"}, &text);
    EXPECT_EQ(status, 0) << "gdal_translate failed on " << path << " (scripts/setup-deps "
                         << "installs gdal-bin)";
    GdalGrid grid;
    std::istringstream in(text);
    std::string word;
    while (in >> word && std::isalpha(static_cast<unsigned char>(word[0]))) {
        std::string value;
        in >> value;
        if (word == "ncols") grid.columns = std::stoi(value);
        if (word == "nrows") grid.rows = std::stoi(value);
    }
    const size_t samples = size_t(grid.columns) * size_t(grid.rows);
    if (samples == 0) return grid;
    grid.values.push_back(std::stol(word));
    long value;
    while (grid.values.size() < samples && in >> value) grid.values.push_back(value);
    return grid;
}

struct LoadedMap {
    std::string report;
    DEMHeightMap* map;
};

LoadedMap load(const std::string& path, bool normals) {
    ::testing::internal::CaptureStdout();
    DEMHeightMap* map = new DEMHeightMap(path.c_str(), normals);
    return {::testing::internal::GetCapturedStdout(), map};
}

void expectSameAsGdal(const std::string& path) {
    const GdalGrid gdal = readWithGdal(path);
    LoadedMap loaded = load(path, false);
    const DEMHeightMap& map = *loaded.map;
    ASSERT_EQ(map.width, gdal.columns) << path;
    ASSERT_EQ(map.length, gdal.rows) << path;
    ASSERT_EQ(gdal.values.size(), map.heights.size()) << path;
    int mismatches = 0;
    for (int r = 0; r < map.length; ++r)
        for (int c = 0; c < map.width; ++c) {
            const float expected = float(gdal.values[size_t(r) * map.width + c] / 20.0);
            if (map.at(r, c) != expected && ++mismatches <= 5)
                ADD_FAILURE() << path << ": sample " << r << "," << c << " is " << map.at(r, c)
                              << ", GDAL reads " << expected * 20;
        }
    EXPECT_EQ(mismatches, 0) << path;
    delete loaded.map;
}

} // namespace

TEST(DEMFiles, gdalWrittenFixturesReadAsGdalReadsThem) {
    for (const char* name : {"gdal-small", "gdal-voids", "gdal-slope"}) {
        SCOPED_TRACE(name);
        expectSameAsGdal(sourceDir + "/tests/terrain/fixtures/" + name + ".dem");
    }
}

TEST(DEMFiles, gdalWrittenFixtureTakesItsHeaderFromRecordA) {
    LoadedMap loaded = load(sourceDir + "/tests/terrain/fixtures/gdal-small.dem", false);
    const std::string& report = loaded.report;
    EXPECT_NE(report.find("Planimetric coordinates in arc-seconds, elevation in metres, 4 sides in "
                          "polygon region\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("maxElevation = 5543, minElevation = -2000\n"), std::string::npos);
    EXPECT_NE(report.find("width=5, length=4\n"), std::string::npos);
    EXPECT_EQ(loaded.map->maxHeight, 277.0f);
    delete loaded.map;
}

TEST(DEMFiles, defaultIslandReadsAsGdalReadsIt) {
    expectSameAsGdal(sourceDir + "/data/hawaii-c");
}

TEST(DEMFiles, defaultIslandIsA1201SquareWithItsPeakAt4205Metres) {
    LoadedMap loaded = load(sourceDir + "/data/hawaii-c", true);
    const DEMHeightMap& map = *loaded.map;
    EXPECT_EQ(loaded.report, "Name of DEM is HAWAII-C                                SYNTHETIC "
                             "VOLCANIC ISLAND, 3 ARC-SECONDS\n"
                             "DEM level code is 1\n"
                             "Pattern code is 1\n"
                             "Planimetric reference system code (should be 0): 0\n"
                             "Zone code (should be 0): 0\n"
                             "Planimetric coordinates in arc-seconds, elevation in metres, 4 sides "
                             "in polygon region\n"
                             "maxElevation = 4205, minElevation = 0\n"
                             "width=1201, length=1201\n");
    ASSERT_EQ(map.width, 1201);
    ASSERT_EQ(map.length, 1201);
    EXPECT_EQ(map.maxHeight, 210.0f);
    EXPECT_EQ(*std::max_element(map.heights.begin(), map.heights.end()), float(4205 / 20.0));
    EXPECT_EQ(*std::min_element(map.heights.begin(), map.heights.end()), 0.0f);

    // Sea all round: the texturing shows water exactly at height 0.
    for (int i = 0; i < 1201; ++i) {
        ASSERT_EQ(map.at(0, i), 0.0f);
        ASSERT_EQ(map.at(1200, i), 0.0f);
        ASSERT_EQ(map.at(i, 0), 0.0f);
        ASSERT_EQ(map.at(i, 1200), 0.0f);
    }
    // The mesh covers the first 1025 rows and columns: the island lies inside them, sea around.
    for (int i = 0; i < 1025; ++i) {
        ASSERT_EQ(map.at(1024, i), 0.0f);
        ASSERT_EQ(map.at(i, 1024), 0.0f);
    }
    // An island: land covers a good part of the map, and the start point is on land.
    const size_t land = size_t(
        std::count_if(map.heights.begin(), map.heights.end(), [](float h) { return h > 0; }));
    EXPECT_GT(land, map.heights.size() / 5);
    EXPECT_GT(map.at(900, 600), 0.0f); // where the camera starts
    EXPECT_LT(land, map.heights.size() * 4 / 5);

    ASSERT_EQ(map.normals.size(), map.heights.size() * 3);
    for (size_t i = 0; i < map.normals.size(); i += 3) {
        const float x = map.normals[i], y = map.normals[i + 1], z = map.normals[i + 2];
        ASSERT_NEAR(x * x + y * y + z * z, 1.0f, 1e-5f) << i / 3;
        ASSERT_GT(y, 0.0f) << i / 3;
    }
    delete loaded.map;
}

TEST(DEMFiles, gdalDescribesTheDefaultIslandAsAUsgsDemOfOneDegree) {
    std::string info;
    ASSERT_EQ(runCommand({"gdalinfo", sourceDir + "/data/hawaii-c"}, &info), 0);
    EXPECT_NE(info.find("Driver: USGSDEM/USGS Optional ASCII DEM"), std::string::npos) << info;
    EXPECT_NE(info.find("Size is 1201, 1201"), std::string::npos) << info;
    EXPECT_NE(info.find("Unit Type: m"), std::string::npos) << info;
}

// The committed island is what the generator in tools/ writes, byte for byte.
TEST(DEMFiles, defaultIslandIsWhatTheGeneratorWrites) {
    const std::string generator = std::string(TERRAINS_RUN_DIR) + "/../generate-island";
    if (access(generator.c_str(), X_OK) != 0) GTEST_SKIP() << "generate-island is not built";
    const std::string out = ::testing::TempDir() + "hawaii-c-" + std::to_string(getpid());
    ASSERT_EQ(runCommand({generator, out}), 0);
    std::ifstream generated(out, std::ios::binary),
        committed(sourceDir + "/data/hawaii-c", std::ios::binary);
    const std::string a((std::istreambuf_iterator<char>(generated)),
                        std::istreambuf_iterator<char>());
    const std::string b((std::istreambuf_iterator<char>(committed)),
                        std::istreambuf_iterator<char>());
    unlink(out.c_str());
    EXPECT_EQ(a.size(), b.size());
    EXPECT_TRUE(a == b) << "data/hawaii-c differs from what tools/generate-island.cpp writes";
}
