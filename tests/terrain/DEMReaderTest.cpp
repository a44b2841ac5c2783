#include "terrain/DEMHeightMap.h"
#include "terrain/DEMReader.h"

#include "support/AppRun.h"
#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <csignal>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A DEM in the fixed columns of USGS files, profiles listed south to north, in 1024-byte blocks.
struct DEM {
    std::vector<std::vector<int>> profiles{{7, -15, 1, 1, 1234}, {0, 42, 2, 3, 4}, {5, 6, 8, 9, 9}};
    std::string name = "SMALL", maxElevation = "0.420500000000000D+04", optionalFields;
    int planimetricUnit = 3, elevationUnit = 2;
    size_t block = 1024; // 1: the old layout, record A stopping at byte 864 and nothing padded

    static std::string r24(std::string t) { return std::string(24 - t.size(), ' ') + t; }
    static std::string i6(int value) { return r24(std::to_string(value)).substr(18); }
    std::string text() const {
        std::string out = name + std::string(144 - name.size(), ' ') + "     1     1     0     0";
        auto pad = [&] { out.resize((out.size() + block - 1) / block * block, ' '); };
        for (int i = 0; i < 15; ++i) out += r24("0.0D+00");
        out += i6(planimetricUnit) + i6(elevationUnit) + i6(4);
        for (int i = 0; i < 11; ++i) out += r24(i == 9 ? maxElevation : "0.0D+00");
        out += i6(0) + "0.300000E+010.300000E+010.100000E+01" + i6(1) + i6(int(profiles.size()));
        out += optionalFields;
        for (size_t p = 0; p < profiles.size(); ++p) {
            pad();
            out += i6(1) + i6(int(p) + 1) + i6(int(profiles[p].size())) + i6(1);
            for (int i = 0; i < 5; ++i) out += r24("0.0D+00");
            for (int e : profiles[p]) out += i6(e);
        }
        pad();
        return block > 1 ? out : out + "\n"; // the last elevation needs a whitespace after it
    }
};

// Parsed from a buffer of exactly the text's size, so the sanitizer sees any read past it.
DEMParse parse(const std::string& text, HeightMap& map) {
    const std::vector<char> bytes(text.begin(), text.end());
    return parseDEM(bytes.data(), bytes.size(), map);
}

} // namespace

TEST(DEMParse, reportsTheHeaderAndStoresEachProfileSouthToNorthInTwentieths) {
    const DEM dem;
    GridHeightMap map(0, 0, nullptr);
    const DEMParse result = parse(dem.text(), map);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.report, "Name of DEM is SMALL\nDEM level code is 1\nPattern code is 1\n"
                             "Planimetric reference system code (should be 0): 0\n"
                             "Zone code (should be 0): 0\nPlanimetric coordinates in arc-seconds, "
                             "elevation in metres, 4 sides in polygon region\n"
                             "maxElevation = 4205, minElevation = 0\nwidth=3, length=5\n");
    ASSERT_TRUE(map.width == 3 && map.length == 5);
    EXPECT_EQ(map.maxHeight, 210.0f);
    for (int p = 0; p < 3; ++p)
        for (int j = 0; j < 5; ++j) EXPECT_EQ(map.at(4 - j, p), float(dem.profiles[p][j] / 20.0));
}

TEST(DEMParse, headerNameUnitsAndMaximumFollowTheirRules) {
    DEM dem;
    dem.maxElevation = "-0.307000000000000D+02";
    dem.planimetricUnit = 2;
    dem.elevationUnit = 3;
    GridHeightMap map(0, 0, nullptr);
    const std::string report = parse(dem.text(), map).report;
    EXPECT_EQ(report.substr(report.find("coordinates")),
              "coordinates in ??, elevation in ??, 4 sides in polygon region\n"
              "maxElevation = -30, minElevation = 0\nwidth=3, length=5\n");
    EXPECT_EQ(map.maxHeight, -1.0f);
    // Upper-case D is a real's exponent only; an integer stops before the point.
    const std::string text = "0.123400000000000D+04 0.123400000000000D+04 0.1234d+04 ";
    DEMTokenReader reader(text.data(), text.size());
    EXPECT_TRUE(reader.readReal() == 1234.0 && reader.readInt() == 0 &&
                reader.readReal() == 0.1234);
    // Trailing blanks go, but the last of the 143 name bytes (index 142) is never looked at.
    dem.name = "AB\tC \t ";
    EXPECT_EQ(parse(dem.text(), map).report.rfind("Name of DEM is AB\tC\n", 0), 0u);
    dem.name = std::string(141, 'N') + "X ";
    EXPECT_EQ(parse(dem.text(), map).report.rfind("Name of DEM is " + dem.name + "\n", 0), 0u);
}

TEST(DEMParse, everyTruncationFailsAndLeavesTheMapAlone) {
    DEM dem;
    dem.block = 1;
    const std::string text = dem.text();
    for (size_t size = 0; size < text.size(); ++size) {
        GridHeightMap map(0, 0, nullptr);
        const DEMParse result = parse(text.substr(0, size), map);
        ASSERT_FALSE(result.ok) << size;
        ASSERT_EQ(result.error, "Invalid DEM file\n") << size;
        ASSERT_TRUE(map.heights.empty()) << size;
    }
}

// Current writers fill record A after the column count; the profiles then start the second
// record. An old record A ending at byte 864 reads on, though byte 1024 reads "1 1" there.
TEST(DEMParse, recordALayoutsReadAlike) {
    DEM dem;
    GridHeightMap expected(0, 0, nullptr), map(0, 0, nullptr);
    ASSERT_TRUE(parse(dem.text(), expected).ok);
    for (const char* fields :
         {"                       0 1 3       0", "   50 2   10 2198019990 2 0 2 1 3   0   0"}) {
        dem.optionalFields = fields;
        ASSERT_TRUE(parse(dem.text(), map).ok) << fields;
        EXPECT_EQ(map.heights, expected.heights) << fields;
    }
    dem.optionalFields = "";
    dem.block = 1;
    ASSERT_EQ(dem.text().substr(1020, 12), "     1     1");
    ASSERT_TRUE(parse(dem.text(), map).ok);
    EXPECT_EQ(map.heights, expected.heights);
}

TEST(DEMParse, rejectsGridsItCannotHoldWithTheirReason) {
    const std::tuple<int, int, int, std::string> cases[] = {
        {1, 5, 1, ": a grid of 1 x 5 samples; at least 2 x 2 are needed\n"},
        {3, 5, 0, ": the first profile is in column 0; it must be column 1\n"},
        {3, 5, 2, ": the first profile is in column 2; it must be column 1\n"},
        {99999, 99999, 1, "\n"}}; // in a few kilobytes: truncated, seen before allocating 40 GB
    for (const auto& [width, length, column, reason] : cases) {
        std::string text = DEM().text();
        text.replace(858, 6, DEM::i6(width)).replace(1030, 6, DEM::i6(column));
        text.replace(1036, 6, DEM::i6(length));
        GridHeightMap map(0, 0, nullptr);
        EXPECT_EQ(parse(text, map).error, "Invalid DEM file" + reason);
        EXPECT_TRUE(map.heights.empty());
    }
}

TEST(DEMHeightMapDeathTest, aMissingFileExitsAndATruncatedOneAborts) {
    EXPECT_EXIT(DEMHeightMap("no/such/hawaii-c", true), testing::ExitedWithCode(1),
                "^Can't open DEM file - \"no/such/hawaii-c\"$");
    const std::string path = testing::TempDir() + "truncated-" + std::to_string(getpid()) + ".dem";
    std::ofstream(path) << DEM().text().substr(0, 2000);
    EXPECT_EXIT(DEMHeightMap(path.c_str(), true), testing::KilledBySignal(SIGABRT),
                "^Invalid DEM file\n$");
    unlink(path.c_str());
}

TEST(DEMFiles, readAsGdalReadsThem) {
    for (const char* file :
         {"/tests/terrain/fixtures/gdal-small.dem", "/tests/terrain/fixtures/gdal-voids.dem",
          "/tests/terrain/fixtures/gdal-slope.dem", "/data/hawaii-c"}) {
        const std::string path = TERRAINS_SOURCE_DIR + std::string(file);
        SCOPED_TRACE(path);
        std::string out; // GDAL's Arc/Info ASCII grid: "key value" lines, then rows north first
        ASSERT_EQ(runCommand({"gdal_translate", "-q", "-of", "AAIGrid", path, "/vsistdout/"}, &out),
                  0);
        std::istringstream in(out);
        std::map<std::string, std::string> header;
        std::string word;
        while (in >> word && std::isalpha(static_cast<unsigned char>(word[0]))) in >> header[word];
        testing::internal::CaptureStdout();
        const DEMHeightMap map(path.c_str(), true);
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(std::to_string(map.width), header["ncols"]);
        ASSERT_EQ(std::to_string(map.length), header["nrows"]);
        EXPECT_EQ(map.normals.size(), map.heights.size() * 3);
        int mismatches = 0;
        for (size_t i = 0; i < map.heights.size(); ++i, in >> word)
            mismatches += map.heights[i] != float(std::stol(word) / 20.0);
        EXPECT_EQ(mismatches, 0);
    }
}
