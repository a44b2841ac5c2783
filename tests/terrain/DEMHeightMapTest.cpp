#include "terrain/DEMHeightMap.h"

#include "terrain/DEMText.h"

#include "app/Vector3D.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

namespace {

std::string writeTempFile(const std::string& name, const std::string& bytes) {
    const std::string path =
        ::testing::TempDir() + "terrains-" + std::to_string(getpid()) + "-" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

DEMText smallDEM() {
    DEMText dem;
    dem.name = "SMALL";
    dem.profiles = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    return dem;
}

MemoryHeightMap grid(int width, int length, std::vector<float> heights) {
    MemoryHeightMap map;
    map.width = width;
    map.length = length;
    map.heights = std::move(heights);
    computeNormals(map);
    return map;
}

void expectNormal(const HeightMap& map, int r, int c, float x, float y, float z) {
    const float* n = &map.normals[(size_t(r) * map.width + c) * 3];
    EXPECT_NEAR(n[0], x, 1e-6f) << "sample " << r << "," << c;
    EXPECT_NEAR(n[1], y, 1e-6f) << "sample " << r << "," << c;
    EXPECT_NEAR(n[2], z, 1e-6f) << "sample " << r << "," << c;
}

} // namespace

TEST(DEMHeightMap, loadsTheFileAndPrintsTheReport) {
    const std::string path = writeTempFile("small.dem", smallDEM().build());
    ::testing::internal::CaptureStdout();
    DEMHeightMap map(path.c_str(), true);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    MemoryHeightMap expected;
    EXPECT_EQ(printed, parseText(smallDEM().build(), expected).report);
    EXPECT_EQ(map.fileName, path.c_str());
    EXPECT_TRUE(map.generateNormals);
    EXPECT_EQ(map.width, 3);
    EXPECT_EQ(map.length, 4);
    EXPECT_EQ(map.heights, expected.heights);
    EXPECT_EQ(map.normals.size(), 36u);
    unlink(path.c_str());
}

TEST(DEMHeightMap, leavesNormalsEmptyUnlessAsked) {
    const std::string path = writeTempFile("plain.dem", smallDEM().build());
    ::testing::internal::CaptureStdout();
    DEMHeightMap map(path.c_str(), false);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(map.normals.empty());
    unlink(path.c_str());
}

TEST(DEMHeightMapDeathTest, aMissingFileExitsWithStatusOne) {
    EXPECT_EXIT(DEMHeightMap("no/such/hawaii-c", true), ::testing::ExitedWithCode(1),
                "^Can't open DEM file - \"no/such/hawaii-c\"$");
}

TEST(DEMHeightMapDeathTest, aDirectoryCannotBeOpenedEither) {
    EXPECT_EXIT(DEMHeightMap(::testing::TempDir().c_str(), true), ::testing::ExitedWithCode(1),
                "^Can't open DEM file - ");
}

TEST(DEMHeightMapDeathTest, aTruncatedFileAborts) {
    std::string text = smallDEM().build();
    text.resize(text.size() - 900);
    const std::string path = writeTempFile("truncated.dem", text);
    EXPECT_EXIT(DEMHeightMap(path.c_str(), true), ::testing::KilledBySignal(SIGABRT),
                "^Invalid DEM file\n$");
    unlink(path.c_str());
}

TEST(DEMHeightMapDeathTest, aMalformedGridAbortsWithItsReason) {
    DEMText dem = smallDEM();
    dem.firstColumn = 0;
    const std::string path = writeTempFile("column.dem", dem.build());
    EXPECT_EXIT(DEMHeightMap(path.c_str(), true), ::testing::KilledBySignal(SIGABRT),
                "^Invalid DEM file: the first profile is in column 0; it must be column 1\n$");
    unlink(path.c_str());
}

TEST(DEMNormals, twoByTwoGridUsesOneQuadrantPerCorner) {
    const MemoryHeightMap map = grid(2, 2, {0, 0, 0, 1});
    const float h = 1 / std::sqrt(2.0f), t = 1 / std::sqrt(3.0f);
    expectNormal(map, 0, 0, 0, 1, 0);
    expectNormal(map, 0, 1, 0, h, -h);
    expectNormal(map, 1, 0, -h, h, 0);
    expectNormal(map, 1, 1, -t, t, -t);
}

TEST(DEMNormals, aFlatMapPointsStraightUp) {
    const MemoryHeightMap map = grid(4, 3, std::vector<float>(12, 7.5f));
    for (size_t i = 0; i < map.normals.size(); i += 3) {
        EXPECT_EQ(map.normals[i], 0.0f);
        EXPECT_EQ(map.normals[i + 1], 1.0f);
        EXPECT_EQ(map.normals[i + 2], 0.0f);
    }
}

// Every quadrant of a plane has the plane's normal, so corners, edges and interior agree; a
// quadrant taken in the wrong turn would point down and pull its sample off.
TEST(DEMNormals, everySampleOfATiltedPlaneGetsThePlanesNormal) {
    const int width = 5, length = 4;
    std::vector<float> heights;
    for (int r = 0; r < length; ++r)
        for (int c = 0; c < width; ++c) heights.push_back(0.5f * c - 0.25f * r);
    const MemoryHeightMap map = grid(width, length, heights);
    // Height rises by 0.5 per column and falls by 0.25 per row: normal (-0.5, 1, 0.25), unit.
    const float s = 1 / std::sqrt(0.25f + 1 + 0.0625f);
    for (int r = 0; r < length; ++r)
        for (int c = 0; c < width; ++c) expectNormal(map, r, c, -0.5f * s, s, 0.25f * s);
}

TEST(DEMNormals, anInteriorPeakSumsFourQuadrants) {
    const MemoryHeightMap map = grid(3, 3, {0, 0, 0, 0, 1, 0, 0, 0, 0});
    expectNormal(map, 1, 1, 0, 1, 0);
    // West of the peak: the quadrants towards it tilt the normal away from it, to -x.
    const float* west = &map.normals[3 * 3];
    EXPECT_LT(west[0], 0.0f);
    EXPECT_NEAR(west[2], 0.0f, 1e-7f);
    const float* north = &map.normals[1 * 3];
    EXPECT_LT(north[2], 0.0f);
    EXPECT_NEAR(north[0], 0.0f, 1e-7f);
}

// The interior runs in closed form; it must give what the vector arithmetic gives.
TEST(DEMNormals, interiorMatchesTheFullVectorArithmetic) {
    const int width = 37, length = 23;
    std::vector<float> heights;
    uint32_t state = 12345;
    for (int i = 0; i < width * length; ++i) {
        state = state * 1664525u + 1013904223u;
        heights.push_back(float(int(state >> 20) - 2048) / 20.0f);
    }
    const MemoryHeightMap map = grid(width, length, heights);
    auto cross = [](Vector3D a, Vector3D b) {
        return Vector3D(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    };
    auto at = [&](int r, int c) {
        return Vector3D(float(c), heights[size_t(r) * width + c], float(r));
    };
    auto face = [&](Vector3D p, Vector3D a, Vector3D b) {
        Vector3D n = cross(a - p, b - p);
        n.normalize();
        return n;
    };
    for (int r = 1; r < length - 1; ++r)
        for (int c = 1; c < width - 1; ++c) {
            const Vector3D p = at(r, c), n = at(r - 1, c), s = at(r + 1, c), w = at(r, c - 1),
                           e = at(r, c + 1);
            Vector3D sum = face(p, w, s) + face(p, s, e) + face(p, e, n) + face(p, n, w);
            sum.normalize();
            const float* got = &map.normals[(size_t(r) * width + c) * 3];
            ASSERT_EQ(got[0], sum.x) << r << "," << c;
            ASSERT_EQ(got[1], sum.y) << r << "," << c;
            ASSERT_EQ(got[2], sum.z) << r << "," << c;
        }
}
