#include "terrain/DEMHeightMap.h"
#include "terrain/DEMReader.h"

#include "support/AppRun.h"
#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const std::string fixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures/";
const std::string island = TERRAINS_SOURCE_DIR "/data/hawaii-c";

// Parsed from a buffer of exactly the text's size, so the sanitizer sees any read past it.
DEMParse parse(const std::string& text, HeightMap& map) {
    const std::vector<char> bytes(text.begin(), text.end());
    return parseDEM(bytes.data(), bytes.size(), map);
}

// The file as GDAL reads it: gdal_translate's raw floats (ENVI, in this machine's byte order),
// rows from the north, -32767 where it has no data.
struct GdalRaster {
    int width = 0, length = 0;
    std::vector<float> values;
};

GdalRaster readWithGdal(const std::string& path) {
    const std::string out = testing::TempDir() + "gdal-" + std::to_string(getpid());
    GdalRaster raster;
    if (runCommand({"gdal_translate", "-q", "-ot", "Float32", "-of", "ENVI", path, out}) != 0)
        return raster;
    const std::string header = readFile(out + ".hdr"), bytes = readFile(out);
    std::sscanf(header.c_str() + header.find("\nsamples"), " samples = %d", &raster.width);
    std::sscanf(header.c_str() + header.find("\nlines"), " lines = %d", &raster.length);
    raster.values.resize(bytes.size() / 4);
    std::memcpy(raster.values.data(), bytes.data(), raster.values.size() * 4);
    for (const char* suffix : {"", ".hdr", ".aux.xml"}) unlink((out + suffix).c_str());
    return raster;
}

// Samples that differ from GDAL's: each elevation must be GDAL's value divided by 20; where GDAL
// has none, the sample must be NaN, or once filled lie within the range of its eight neighbours.
int mismatches(const std::vector<float>& heights, int width, const GdalRaster& gdal, bool filled) {
    int count = 0;
    const int length = int(heights.size()) / width;
    for (int r = 0; r < length; ++r)
        for (int c = 0; c < width; ++c) {
            const size_t i = size_t(r) * width + c;
            if (gdal.values[i] != -32767.0f) {
                count += heights[i] != float(gdal.values[i] / 20.0);
                continue;
            }
            float low = INFINITY, high = -INFINITY;
            for (int nr = std::max(r - 1, 0); nr <= std::min(r + 1, length - 1); ++nr)
                for (int nc = std::max(c - 1, 0); nc <= std::min(c + 1, width - 1); ++nc)
                    if (nr != r || nc != c) {
                        low = std::min(low, heights[size_t(nr) * width + nc]);
                        high = std::max(high, heights[size_t(nr) * width + nc]);
                    }
            count += filled ? !(heights[i] >= low && heights[i] <= high) : !std::isnan(heights[i]);
        }
    return count;
}

// The loader's standard output while it reads `path`.
std::string loadQuietly(const std::string& path, GridHeightMap& copy) {
    testing::internal::CaptureStdout();
    const DEMHeightMap map(path.c_str(), true);
    const std::string report = testing::internal::GetCapturedStdout();
    EXPECT_EQ(map.normals.size(), map.heights.size() * 3);
    copy = GridHeightMap(map.width, map.length, [&](int r, int c) { return map.at(r, c); });
    copy.maxHeight = map.maxHeight;
    return report;
}

} // namespace

// Every layout of the fixtures' script and the real files, GDAL's own writer's output and the
// default island: the parsed grid, then the loaded one with its voids filled and counted. Record A
// is read by its columns (codes, a blank zone, text in the origin code and the optional fields,
// lower-case exponents), the name escaped for the terminal; the island's report is byte for byte
// the one the reader before this one printed.
TEST(DEMFiles, readSampleForSampleAsGdalReadsThem) {
    const std::string codes =
                          "DEM level code is 1\nPattern code is 1\nPlanimetric reference system "
                          "code (should be 0): ",
                      arcSeconds = "Planimetric coordinates in arc-seconds, elevation in metres, 4 "
                                   "sides in polygon region\n";
    std::vector<std::pair<std::string, std::string>> files = {
        {"utm-quad-feet.dem", "Name of DEM is UTM QUAD IN FEET\n" + codes +
                                  "1\nZone code (should be 0): 11\nPlanimetric coordinates in ??, "
                                  "elevation in ??, 4 sides in polygon region\nmaxElevation = "
                                  "2628, minElevation = 1215\nwidth=17, length=182\n"},
        {"origin-text.dem", "Name of DEM is \\x1B[2JEMe" + std::string(33, ' ') +
                                "CFS-SSM  -67 0 0.0000  49 0 0.0000" + std::string(66, ' ') +
                                "NTD\n" + codes + "0\nZone code (should be 0): 0\n" + arcSeconds +
                                "maxElevation = 333, minElevation = 248\nwidth=4, length=5\n"},
        {"blank-zone.dem", "Zone code (should be 0): 0\n" + arcSeconds},
        {"../../../data/hawaii-c", "Name of DEM is HAWAII-C" + std::string(32, ' ') +
                                       "SYNTHETIC VOLCANIC ISLAND, 3 ARC-SECONDS\n" + codes +
                                       "0\nZone code (should be 0): 0\n" + arcSeconds +
                                       "maxElevation = 4205, minElevation = 0\nwidth=1201, "
                                       "length=1201\n"},
    };
    for (const char* file :
         {"decimetres.dem", "local-datums.dem", "line-feeds-892.dem", "crlf-917.dem", "old-864.dem",
          "column-zero.dem", "voids.dem", "39109h1_truncated.dem", "022gdeme_truncated",
          "gdal-small.dem", "gdal-voids.dem", "gdal-slope.dem", "gdal-2x2.dem"})
        files.push_back({file, ""});
    // A UTM quad whose south-west corner lies off the grid of its resolution: its rows snap to the
    // grid, one more than the corners span. Its zone carries a sign.
    std::string offGrid = readFile(fixtures + "utm-quad-feet.dem");
    offGrid.replace(570, 24, "   4.100035000000000D+06").replace(162, 6, "   +11");
    files.push_back({writeTempFile("utm-off-grid.dem", offGrid), "Zone code (should be 0): 11\n"});
    for (const auto& [file, header] : files) {
        const std::string path = file[0] == '/' ? file : fixtures + file;
        SCOPED_TRACE(path);
        GridHeightMap loaded(0, 0, nullptr);
        const GdalRaster gdal = readWithGdal(path);
        ASSERT_GT(gdal.width, 0) << "gdal_translate failed";
        std::string text = readFile(path);
        GridHeightMap map(0, 0, nullptr);
        const DEMParse result = parse(text, map);
        ASSERT_TRUE(result.ok) << result.error;
        if (text.compare(0, 4, "22gD") == 0) text.replace(0, 4, "\x1b[2J");
        const std::string named = parse(text, loaded).report;
        EXPECT_NE(named.find(header), std::string::npos) << named;
        ASSERT_EQ(std::make_pair(map.width, map.length), std::make_pair(gdal.width, gdal.length));
        EXPECT_EQ(mismatches(map.heights, map.width, gdal, false), 0);
        if (map.width < 2) continue; // too narrow to load: the loader refuses it, below

        const size_t voids = std::count(gdal.values.begin(), gdal.values.end(), -32767.0f);
        std::string report = result.report;
        if (voids > 0)
            report += "Filled " + std::to_string(voids) + " void samples from their neighbours\n";
        EXPECT_EQ(loadQuietly(path, loaded), report);
        EXPECT_EQ(mismatches(loaded.heights, loaded.width, gdal, true), 0);
    }
}

// The island's heights, bit for bit, as the reader before this one gave them.
TEST(DEMFiles, defaultIslandHeightsAsBefore) {
    GridHeightMap map(0, 0, nullptr);
    loadQuietly(island, map);
    EXPECT_EQ(map.maxHeight, 210.0f);
    EXPECT_EQ(fnv1a(map.heights.data(), map.heights.size() * 4), 0x0a7ee45360ca4568ull);
}

// Through a pipe, whose size no stat tells, the reader grows its buffer as the bytes come.
TEST(DEMFiles, theIslandThroughAPipeReadsAsTheFile) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::thread writer([&] {
        const std::string bytes = readFile(island);
        for (size_t at = 0; at < bytes.size();) {
            const ssize_t n = write(ends[1], bytes.data() + at, bytes.size() - at);
            if (n <= 0) break;
            at += size_t(n);
        }
        close(ends[1]);
    });
    GridHeightMap piped(0, 0, nullptr), file(0, 0, nullptr);
    loadQuietly("/proc/self/fd/" + std::to_string(ends[0]), piped);
    writer.join();
    close(ends[0]);
    loadQuietly(island, file);
    EXPECT_TRUE(piped.width == 1201 && piped.heights == file.heights);
}

// Each way a file can fail to place its profiles, made from a good one: the message says what
// and where, and the map is left alone.
TEST(DEMParse, refusesWhatItCannotPlaceSayingWhatAndWhere) {
    const std::string good = readFile(fixtures + "blank-zone.dem"); // 8 profiles of 9, blocked
    std::string allVoid = good;
    for (size_t p = 1024; p < good.size(); p += 1024) allVoid.replace(p + 12, 6, "     0");
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, 155), "the file ends at byte offset 155, in record A's elevation "
                              "pattern code (offsets 150 to 155)"},
        {good.substr(0, 600), "the file ends at byte offset 600, in record A's corner "
                              "coordinates (offsets 546 to 737)"},
        {good.substr(0, 762), "the file ends at byte offset 762, in record A's maximum "
                              "elevation (offsets 762 to 785)"},
        {std::string(good).replace(828, 12, "0.000000E+00"),
         "record A's y resolution (offset 828) is 0; it must be above 0"},
        {std::string(good).replace(570, 24, std::string(21, ' ') + "nan"),
         "record A's corners (offsets 546 to 737) give no grid at a y resolution of 3"},
        {std::string(good).replace(858, 6, "     0"),
         "a grid of 0 x 9 samples; at least 2 x 2 are needed"},
        {std::string(good).replace(858, 6, "999999"),
         "a grid of 999999 x 9 samples is more than a file of 9216 bytes holds"},
        {std::string(good).replace(1024, 6, "     2"),
         "no profile of row 1, column 1 starts at byte offset 864, 893 or 918, nor of row 1, "
         "column 0 or 1 at 1024"},
        {std::string(good).replace(3 * 1024 + 6, 6, "     9"),
         "profile 3 (at byte offset 3077) states column 9; the grid's next column is 3"},
        {std::string(good).replace(2048 + 12, 6, "    10"),
         "profile 2 (at byte offset 2053): 10 elevations from y = 68400 do not fit the grid's 9 "
         "rows from y = 68400"},
        {std::string(good).replace(1024 + 48, 24, "   0.683940000000000D+05"),
         "profile 1 (at byte offset 1029): 9 elevations from y = 68394 do not fit the grid's 9 "
         "rows from y = 68400"},
        {std::string(good).replace(1024 + 72, 24, std::string(21, ' ') + "nan"),
         "profile 1 (at byte offset 1029): its local datum is not a number"},
        {std::string(good).replace(1024 + 144, 6, "   1.5"),
         "profile 1: the number at byte offset 1171 is not an integer"},
        {std::string(good).replace(1024 + 144, 12, "123456789012"),
         "profile 1: the number at byte offset 1168 is not an integer"},
        {std::string(good).replace(534, 6, "     1").replace(840, 12, "1.000000E+30"),
         "profile 1: the elevation at byte offset 1177 is out of range"},
        {good.substr(0, 3000), "profile 3 (from byte offset 3000) runs past the end of the file"},
        {allVoid, "every sample is void"},
    };
    for (const auto& [text, reason] : cases) {
        GridHeightMap map(0, 0, nullptr);
        EXPECT_EQ(parse(text, map).error, "Invalid DEM file: " + reason + "\n");
        EXPECT_TRUE(map.heights.empty());
    }
}

// As in GDAL, a file may end right after its last elevation (which a cut then shortens); any piece
// that stops before the last elevation is refused.
TEST(DEMParse, everyTruncationFailsAndLeavesTheMapAlone) {
    const std::string text = readFile(fixtures + "old-864.dem");
    const size_t lastDigit = text.find_last_of(' ', text.find_last_not_of(" \n")) + 1;
    GridHeightMap full(0, 0, nullptr);
    const DEMParse expected = parse(text, full);
    ASSERT_TRUE(expected.ok);
    for (size_t size = 0; size <= lastDigit + 1; ++size) {
        GridHeightMap map(0, 0, nullptr);
        const DEMParse result = parse(text.substr(0, size), map);
        ASSERT_EQ(result.ok, size > lastDigit) << size << result.error;
        if (result.ok) break;
        ASSERT_EQ(result.error.rfind("Invalid DEM file: ", 0), 0u) << size;
        if (size >= 143) {
            ASSERT_EQ(expected.report.rfind(result.report, 0), 0u) << size;
        }
        ASSERT_TRUE(map.heights.empty()) << size;
    }
}

TEST(DEMHeightMapDeathTest, aMissingFileExitsAndAFileItCannotLoadAborts) {
    EXPECT_EXIT(DEMHeightMap("no/such/hawaii-c", true), testing::ExitedWithCode(1),
                "^Can't open DEM file - \"no/such/hawaii-c\"$");
    const std::string cut =
        writeTempFile("cut.dem", readFile(fixtures + "blank-zone.dem").substr(0, 1100));
    EXPECT_EXIT(DEMHeightMap(cut.c_str(), true), testing::KilledBySignal(SIGABRT),
                "^Invalid DEM file: profile 1 \\(from byte offset 1029\\) runs past the end of "
                "the file\n$");
    // Read as GDAL reads it, but a single profile is no terrain.
    EXPECT_EXIT(DEMHeightMap((fixtures + "022gdeme_truncated").c_str(), true),
                testing::KilledBySignal(SIGABRT),
                "^Invalid DEM file: a grid of 1 x 1201 samples; at least 2 x 2 are needed\n$");
}
