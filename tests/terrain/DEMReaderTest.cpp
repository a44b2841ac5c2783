#include "terrain/DEMText.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// The reader keeps pointers into the text: literals live long enough.
DEMTokenReader tokens(const char* text) {
    return DEMTokenReader(text, std::strlen(text));
}

// Three profiles of four elevations, west to east, each south to north.
DEMText smallDEM() {
    DEMText dem;
    dem.name = "SMALL";
    dem.profiles = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    return dem;
}

} // namespace

TEST(DEMTokenReader, readRealTakesUpperCaseDAsTheExponent) {
    DEMTokenReader reader = tokens("0.123400000000000D+04 0.123400000000000D+04 ");
    EXPECT_EQ(reader.readReal(), 1234.0);
    EXPECT_EQ(reader.readInt(), 0);
    EXPECT_FALSE(reader.failed());
}

TEST(DEMTokenReader, readRealLeavesLowerCaseDAndALeadingD) {
    DEMTokenReader reader = tokens("0.1234d+04 D5 1D2 ");
    EXPECT_EQ(reader.readReal(), 0.1234);
    EXPECT_EQ(reader.readReal(), 0.0);
    EXPECT_EQ(reader.readReal(), 100.0);
}

TEST(DEMTokenReader, readIntConvertsLikeAtoi) {
    DEMTokenReader reader = tokens("0.300000E+01 -15x +7 abc 1201\t\n\v\f\r42 ");
    EXPECT_EQ(reader.readInt(), 0);
    EXPECT_EQ(reader.readInt(), -15);
    EXPECT_EQ(reader.readInt(), 7);
    EXPECT_EQ(reader.readInt(), 0);
    EXPECT_EQ(reader.readInt(), 1201);
    EXPECT_EQ(reader.readInt(), 42);
    EXPECT_FALSE(reader.failed());
}

TEST(DEMTokenReader, readIntSaturatesAtTheIntRange) {
    DEMTokenReader reader = tokens("99999999999 -99999999999 2147483647 -2147483648 ");
    EXPECT_EQ(reader.readInt(), INT_MAX);
    EXPECT_EQ(reader.readInt(), INT_MIN);
    EXPECT_EQ(reader.readInt(), INT_MAX);
    EXPECT_EQ(reader.readInt(), INT_MIN);
}

TEST(DEMTokenReader, aTokenNeedsWhitespaceAfterIt) {
    DEMTokenReader unterminated = tokens("12");
    EXPECT_EQ(unterminated.readInt(), 0);
    EXPECT_TRUE(unterminated.failed());

    DEMTokenReader blanks = tokens("12 \n ");
    EXPECT_EQ(blanks.readInt(), 12);
    EXPECT_FALSE(blanks.failed());
    blanks.readInt();
    EXPECT_TRUE(blanks.failed());
}

TEST(DEMTokenReader, failureIsStickyAndYieldsZero) {
    DEMTokenReader reader = tokens("5");
    reader.readInt();
    reader.seek(0);
    EXPECT_EQ(reader.readInt(), 0);
    EXPECT_EQ(reader.readReal(), 0.0);
    EXPECT_TRUE(reader.failed());
}

TEST(DEMTokenReader, tokensLongerThan63CharactersAreReadWhole) {
    const std::string zeros(100, '0');
    const std::string text = zeros + "42 0." + zeros + "1D+101 7 ";
    DEMTokenReader reader(text.data(), text.size());
    EXPECT_EQ(reader.readInt(), 42);
    EXPECT_DOUBLE_EQ(reader.readReal(), 1.0);
    EXPECT_EQ(reader.readInt(), 7);
}

TEST(DEMTokenReader, aMinusRightAfterADigitStartsANewToken) {
    // Six-column fields filled to the brim touch each other.
    DEMTokenReader reader = tokens("-32767-32767 -10911-1 -0.327670000000000D+05-32767 1.0D-04 ");
    EXPECT_EQ(reader.readInt(), -32767);
    EXPECT_EQ(reader.readInt(), -32767);
    EXPECT_EQ(reader.readInt(), -10911);
    EXPECT_EQ(reader.readInt(), -1);
    EXPECT_EQ(reader.readReal(), -32767.0);
    EXPECT_EQ(reader.readInt(), -32767);
    EXPECT_EQ(reader.readReal(), 1.0e-4);
    EXPECT_FALSE(reader.failed());
}

TEST(DEMParse, reportsTheHeaderLineByLine) {
    MemoryHeightMap map;
    const DEMParse parse = parseText(smallDEM().build(), map);
    ASSERT_TRUE(parse.ok) << parse.error;
    EXPECT_EQ(parse.report, "Name of DEM is SMALL\n"
                            "DEM level code is 1\n"
                            "Pattern code is 1\n"
                            "Planimetric reference system code (should be 0): 0\n"
                            "Zone code (should be 0): 0\n"
                            "Planimetric coordinates in arc-seconds, elevation in metres, 4 sides "
                            "in polygon region\n"
                            "maxElevation = 4205, minElevation = 0\n"
                            "width=3, length=4\n");
    EXPECT_EQ(parse.error, "");
}

TEST(DEMParse, storesElevationJOfProfilePInRowLengthMinusJ) {
    MemoryHeightMap map;
    ASSERT_TRUE(parseText(smallDEM().build(), map).ok);
    ASSERT_EQ(map.width, 3);
    ASSERT_EQ(map.length, 4);
    ASSERT_EQ(map.heights.size(), 12u);
    const int expected[4][3] = {{4, 8, 12}, {3, 7, 11}, {2, 6, 10}, {1, 5, 9}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(map.at(r, c), float(expected[r][c] / 20.0)) << r << "," << c;
    EXPECT_TRUE(map.normals.empty());
}

TEST(DEMParse, dividesElevationsBy20AsReals) {
    DEMText dem;
    dem.profiles = {{1234, -15}, {0, 4205}};
    MemoryHeightMap map;
    ASSERT_TRUE(parseText(dem.build(), map).ok);
    EXPECT_EQ(map.at(1, 0), 61.7f);
    EXPECT_EQ(map.at(0, 0), -0.75f);
    EXPECT_EQ(map.at(0, 1), 210.25f);
}

TEST(DEMParse, maxHeightDividesTheTruncatedMaximumAsAnInteger) {
    DEMText dem = smallDEM();
    MemoryHeightMap map;
    ASSERT_TRUE(parseText(dem.build(), map).ok);
    EXPECT_EQ(map.maxHeight, 210.0f);

    dem.maxElevation = "-0.307000000000000D+02";
    dem.minElevation = "-0.123900000000000D+03";
    const DEMParse parse = parseText(dem.build(), map);
    ASSERT_TRUE(parse.ok);
    EXPECT_NE(parse.report.find("maxElevation = -30, minElevation = -123\n"), std::string::npos);
    EXPECT_EQ(map.maxHeight, -1.0f);
}

TEST(DEMParse, nonFiniteOrHugeHeaderElevationsSaturate) {
    DEMText dem = smallDEM();
    dem.maxElevation = "1D+300";
    dem.minElevation = "nan";
    MemoryHeightMap map;
    const DEMParse parse = parseText(dem.build(), map);
    ASSERT_TRUE(parse.ok);
    EXPECT_NE(parse.report.find("maxElevation = 2147483647, minElevation = 0\n"),
              std::string::npos);
}

TEST(DEMParse, unitWordsFollowTheCodes) {
    DEMText dem = smallDEM();
    dem.planimetricUnit = 2;
    dem.elevationUnit = 3;
    dem.sides = 5;
    MemoryHeightMap map;
    const DEMParse parse = parseText(dem.build(), map);
    EXPECT_NE(parse.report.find(
                  "Planimetric coordinates in ??, elevation in ??, 5 sides in polygon region\n"),
              std::string::npos);
}

TEST(DEMParse, nameTrimsTrailingBlanksButNeverLooksAtIndex142) {
    DEMText dem = smallDEM();
    dem.name = "HAWAII";
    MemoryHeightMap map;
    EXPECT_EQ(parseText(dem.build(), map).report.rfind("Name of DEM is HAWAII\n", 0), 0u);

    dem.name = std::string(141, 'N') + "X ";
    EXPECT_EQ(parseText(dem.build(), map).report.rfind("Name of DEM is " + dem.name + "\n", 0), 0u);

    dem.name = "AB\tC \t ";
    EXPECT_EQ(parseText(dem.build(), map).report.rfind("Name of DEM is AB\tC\n", 0), 0u);
}

TEST(DEMParse, theCharacterAfterTheNameFieldBelongsToTheTokens) {
    std::string text = smallDEM().build();
    text[143] = '7';
    MemoryHeightMap map;
    const DEMParse parse = parseText(text, map);
    EXPECT_NE(parse.report.find("DEM level code is 7\n"), std::string::npos);
    EXPECT_NE(parse.report.find("Pattern code is 1\n"), std::string::npos);
    EXPECT_NE(parse.report.find("Planimetric reference system code (should be 0): 1\n"),
              std::string::npos);
    EXPECT_NE(parse.report.find("Zone code (should be 0): 0\n"), std::string::npos);
}

// Cut at every byte, the file loads exactly when the last elevation and a whitespace after it
// are still there; otherwise it is invalid, with the report of what was read.
TEST(DEMParse, everyTruncationIsAnInvalidFile) {
    DEMText dem = smallDEM();
    dem.records = false;
    const std::string text = dem.build();
    const size_t lastNeeded = text.size(); // the file ends with the line end after elevation 12
    MemoryHeightMap full;
    const DEMParse whole = parseText(text, full);
    ASSERT_TRUE(whole.ok);

    for (size_t size = 0; size < lastNeeded; ++size) {
        MemoryHeightMap map;
        const DEMParse parse = parseDEM(text.data(), size, map);
        ASSERT_FALSE(parse.ok) << size;
        ASSERT_EQ(parse.error, "Invalid DEM file\n") << size;
        ASSERT_TRUE(map.heights.empty()) << size;
        if (size >= 143) { // shorter, the name itself is cut
            ASSERT_EQ(parse.report, whole.report.substr(0, parse.report.size())) << size;
        }
    }
    // Without the blank after it, the last elevation is not there either.
    std::string unterminated = text.substr(0, text.size() - 1);
    MemoryHeightMap map;
    EXPECT_EQ(parseText(unterminated, map).error, "Invalid DEM file\n");
}

TEST(DEMParse, aFailureLeavesTheMapAsItWas) {
    MemoryHeightMap map;
    map.width = 7;
    map.heights = {1, 2};
    std::string text = smallDEM().build();
    text.resize(text.size() - 1024);
    EXPECT_FALSE(parseText(text, map).ok);
    EXPECT_EQ(map.width, 7);
    EXPECT_EQ(map.heights.size(), 2u);
}

TEST(DEMParse, readsRecordAOptionalFieldsFromTheSecondRecord) {
    DEMText blank = smallDEM();
    MemoryHeightMap expected;
    const DEMParse expectedParse = parseText(blank.build(), expected);
    ASSERT_TRUE(expectedParse.ok);

    // What a current writer puts after the column count: flags, datums, edition, and so on.
    for (const char* fields :
         {"                       0 1 3       0", "   50 2   10 2198019990 2 0 2 1 3   0   0"}) {
        DEMText dem = smallDEM();
        dem.optionalFields = fields;
        MemoryHeightMap map;
        const DEMParse parse = parseText(dem.build(), map);
        ASSERT_TRUE(parse.ok) << fields << ": " << parse.error;
        EXPECT_EQ(parse.report, expectedParse.report);
        EXPECT_EQ(map.width, 3);
        EXPECT_EQ(map.length, 4);
        EXPECT_EQ(map.heights, expected.heights) << fields;
    }
}

TEST(DEMParse, recordAThatStopsAtByte864ReadsOn) {
    DEMText records = smallDEM();
    MemoryHeightMap expected;
    ASSERT_TRUE(parseText(records.build(), expected).ok);

    DEMText old = smallDEM();
    old.records = false;
    MemoryHeightMap map;
    ASSERT_TRUE(parseText(old.build(), map).ok);
    EXPECT_EQ(map.heights, expected.heights);
}

TEST(DEMParse, recordAThatStopsAtByte864ReadsOnEvenWhenByte1024LooksLikeAProfile) {
    // In the old layout byte 1024 falls among the first profile's elevations; make them read
    // "1 1" there, where a second record would start.
    DEMText old;
    old.records = false;
    old.profiles = {std::vector<int>(60, 1), std::vector<int>(60, 2)};
    const std::string text = old.build();
    ASSERT_EQ(text.substr(1020, 10), "     1    ");
    MemoryHeightMap map;
    const DEMParse parse = parseText(text, map);
    ASSERT_TRUE(parse.ok) << parse.error;
    ASSERT_EQ(map.width, 2);
    ASSERT_EQ(map.length, 60);
    for (int r = 0; r < 60; ++r) {
        EXPECT_EQ(map.at(r, 0), float(1 / 20.0));
        EXPECT_EQ(map.at(r, 1), float(2 / 20.0));
    }
}

TEST(DEMParse, rejectsGridsSmallerThanTwoByTwo) {
    for (const auto& profiles :
         std::vector<std::vector<std::vector<int>>>{{{1, 2, 3}}, {{1}, {2}, {3}}, {{}, {}}}) {
        DEMText dem;
        dem.profiles = profiles;
        MemoryHeightMap map;
        const DEMParse parse = parseText(dem.build(), map);
        EXPECT_FALSE(parse.ok);
        char expected[128];
        std::snprintf(expected, sizeof expected,
                      "Invalid DEM file: a grid of %d x %d samples; at least 2 x 2 are needed\n",
                      int(profiles.size()), int(profiles[0].size()));
        EXPECT_EQ(parse.error, expected);
    }

    std::string negative = smallDEM().build();
    negative.replace(858, 6, "    -3");
    MemoryHeightMap map;
    const DEMParse parse = parseText(negative, map);
    EXPECT_EQ(parse.error,
              "Invalid DEM file: a grid of -3 x 4 samples; at least 2 x 2 are needed\n");
    EXPECT_NE(parse.report.find("width=-3, length=4\n"), std::string::npos);
}

TEST(DEMParse, rejectsAFirstProfileOutsideColumnOne) {
    for (int column : {0, -5, 2, 3, 4, 99999}) {
        DEMText dem = smallDEM();
        dem.firstColumn = column;
        MemoryHeightMap map;
        const DEMParse parse = parseText(dem.build(), map);
        EXPECT_FALSE(parse.ok);
        EXPECT_EQ(parse.error, "Invalid DEM file: the first profile is in column " +
                                   std::to_string(column) + "; it must be column 1\n");
        EXPECT_TRUE(map.heights.empty());
    }
}

TEST(DEMParse, aGridTheFileCannotHoldIsTruncatedBeforeAllocating) {
    DEMText dem = smallDEM();
    std::string text = dem.build();
    text.replace(858, 6, " 99999");       // columns
    text.replace(1024 + 12, 6, " 99999"); // elevations in the first profile
    MemoryHeightMap map;
    const DEMParse parse = parseText(text, map);
    EXPECT_EQ(parse.error, "Invalid DEM file\n");
    EXPECT_NE(parse.report.find("width=99999, length=99999\n"), std::string::npos);
}

#if defined(__SANITIZE_ADDRESS__)
#define TERRAINS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TERRAINS_ASAN 1
#endif
#endif

TEST(DEMParse, anAllocationFailureIsReported) {
#ifdef TERRAINS_ASAN
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    // A real grid of 5000 x 5000 samples (100 MB of heights), parsed under an address-space
    // limit that leaves room for the file and whatever the heap holds free, but not for the grid.
    DEMText dem;
    dem.records = false;
    std::string text = dem.recordA();
    text.replace(858, 6, "  5000");
    std::string profile = "     1     1  5000     1 0 0 0 0 0";
    for (int j = 0; j < 5000; ++j) profile += " 1";
    profile += '\n';
    text.reserve(text.size() + profile.size() * 5000);
    for (int p = 0; p < 5000; ++p) text += profile;

    std::ifstream statm("/proc/self/statm");
    size_t pages = 0;
    statm >> pages;
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = pages * 4096 + (16u << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
    MemoryHeightMap map;
    const DEMParse parse = parseText(text, map);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);

    EXPECT_FALSE(parse.ok);
    EXPECT_EQ(parse.error, "Not enough memory for a DEM of 5000 x 5000 samples\n");
    EXPECT_TRUE(map.heights.empty());
#endif
}
