#include "terrain/DEMHeightMap.h"
#include "terrain/DEMReader.h"

#include "support/AppRun.h"
#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string fixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures/";

// Parsed from a buffer of exactly the text's size, so the sanitizer sees any read past it.
DEMParse parse(const std::string& text, HeightMap& map) {
    const std::vector<char> bytes(text.begin(), text.end());
    return parseDEM(bytes.data(), bytes.size(), map);
}

// gdal_translate's raw floats (ENVI, in this machine's byte order), -32767 where it has no data.
std::vector<float> readWithGdal(const std::string& path) {
    const std::string out = testing::TempDir() + "gdal-" + std::to_string(getpid());
    runCommand({"gdal_translate", "-q", "-ot", "Float32", "-of", "ENVI", path, out});
    const std::string bytes = readFile(out);
    std::vector<float> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.data(), values.size() * 4);
    for (const char* suffix : {"", ".hdr", ".aux.xml"}) unlink((out + suffix).c_str());
    return values;
}

// Samples other than GDAL's / 20; a void must be NaN, or once filled within its neighbours' range.
int mismatches(const std::vector<float>& heights, int width, const std::vector<float>& gdal,
               bool filled) {
    int count = 0, length = int(heights.size()) / width;
    for (int i = 0; i < width * length; ++i) {
        if (gdal[i] != -32767.0f || !filled) {
            count += gdal[i] != -32767.0f ? heights[i] != float(gdal[i] / 20.0)
                                          : !std::isnan(heights[i]);
            continue;
        }
        float low = INFINITY, high = -INFINITY;
        for (int r = std::max(i / width - 1, 0); r <= std::min(i / width + 1, length - 1); ++r)
            for (int c = std::max(i % width - 1, 0); c <= std::min(i % width + 1, width - 1); ++c)
                if (r * width + c != i) {
                    low = std::min(low, heights[r * width + c]);
                    high = std::max(high, heights[r * width + c]);
                }
        count += !(heights[i] >= low && heights[i] <= high);
    }
    return count;
}

} // namespace

// Every fixture parsed, then loaded with its voids filled and counted; the name escaped.
TEST(DEMFiles, readSampleForSampleAsGdalReadsThem) {
    std::vector<std::pair<std::string, std::string>> files = {
        {"utm-quad-feet.dem", "(should be 0): 1\nZone code (should be 0): 11\nPlanimetric "
                              "coordinates in ??, elevation in ??"},
        {"origin-text.dem", "Name of DEM is \\x1B[2JEMe" + std::string(33, ' ') +
                                "CFS-SSM  -67 0 0.0000  49 0 0.0000" + std::string(66, ' ') +
                                "NTD\n"},
        {"blank-zone.dem", "Zone code (should be 0): 0\n"},
    };
    for (const char* file :
         {"decimetres.dem", "local-datums.dem", "line-feeds-892.dem", "crlf-917.dem", "old-864.dem",
          "column-zero.dem", "39109h1_truncated.dem", "022gdeme_truncated", "gdal-small.dem",
          "gdal-voids.dem", "gdal-slope.dem"})
        files.push_back({file, ""});
    for (const auto& [file, header] : files) {
        const std::string path = fixtures + file;
        SCOPED_TRACE(path);
        const std::vector<float> gdal = readWithGdal(path);
        const std::string text = readFile(path);
        GridHeightMap map(0, 0, nullptr);
        const DEMParse result = parse(text, map);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_NE(result.report.find(header), std::string::npos) << result.report;
        ASSERT_EQ(size_t(map.width) * map.length, gdal.size());
        EXPECT_EQ(mismatches(map.heights, map.width, gdal, false), 0);
        if (map.width < 2) continue; // too narrow to load: the loader refuses it, below

        const size_t voids = std::count(gdal.begin(), gdal.end(), -32767.0f);
        std::string report = result.report;
        if (voids > 0)
            report += "Filled " + std::to_string(voids) + " void samples from their neighbours\n";
        testing::internal::CaptureStdout();
        const DEMHeightMap loaded(path.c_str(), true);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), report);
        EXPECT_EQ(loaded.normals.size(), loaded.heights.size() * 3);
        EXPECT_EQ(mismatches(loaded.heights, loaded.width, gdal, true), 0);
    }
}

// The island's report and heights as before, byte and bit.
TEST(DEMFiles, defaultIslandReportAndHeightsAsBefore) {
    const std::string report =
        "Name of DEM is HAWAII-C" + std::string(32, ' ') +
        "SYNTHETIC VOLCANIC ISLAND, 3 ARC-SECONDS\nDEM level code is 1\nPattern code is 1\n"
        "Planimetric reference system code (should be 0): 0\nZone code (should be 0): 0\n"
        "Planimetric coordinates in arc-seconds, elevation in metres, 4 sides in polygon region\n"
        "maxElevation = 4205, minElevation = 0\nwidth=1201, length=1201\n";
    testing::internal::CaptureStdout();
    const DEMHeightMap map(TERRAINS_SOURCE_DIR "/data/hawaii-c", true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), report);
    EXPECT_EQ(map.maxHeight, 210.0f);
    EXPECT_EQ(fnv1a(map.heights.data(), map.heights.size() * 4), 0x0a7ee45360ca4568ull);
}

// Refusals made from a good file say what and where, and leave the map alone.
TEST(DEMParse, refusesWhatItCannotPlaceSayingWhatAndWhere) {
    const std::string good = readFile(fixtures + "blank-zone.dem"); // 8 profiles of 9, blocked
    std::string allVoid = good;
    for (size_t p = 1024; p < good.size(); p += 1024) allVoid.replace(p + 12, 6, "     0");
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, 155), "the file ends at byte offset 155, in record A's elevation "
                              "pattern code (offsets 150 to 155)"},
        {std::string(good).replace(858, 6, "999999"),
         "a grid of 999999 x 9 samples is more than a file of 9216 bytes holds"},
        {std::string(good).replace(3 * 1024 + 6, 6, "     9"),
         "profile 3 (at byte offset 3077) states column 9; the grid's next column is 3"},
        {std::string(good).replace(2048 + 12, 6, "    10"),
         "profile 2 (at byte offset 2053): 10 elevations from y = 68400 do not fit the grid's 9 "
         "rows from y = 68400"},
        {good.substr(0, 3000), "profile 3 (from byte offset 3000) runs past the end of the file"},
        {allVoid, "every sample is void"},
    };
    for (const auto& [text, reason] : cases) {
        GridHeightMap map(0, 0, nullptr);
        EXPECT_EQ(parse(text, map).error, "Invalid DEM file: " + reason + "\n");
        EXPECT_TRUE(map.heights.empty());
    }
}

TEST(DEMHeightMapDeathTest, aMissingFileExitsAndAFileItCannotLoadAborts) {
    EXPECT_EXIT(DEMHeightMap("no/such/hawaii-c", true), testing::ExitedWithCode(1),
                "^Can't open DEM file - \"no/such/hawaii-c\"$");
    EXPECT_EXIT(DEMHeightMap((fixtures + "022gdeme_truncated").c_str(), true),
                testing::KilledBySignal(SIGABRT),
                "^Invalid DEM file: a grid of 1 x 1201 samples; at least 2 x 2 are needed\n$");
}
