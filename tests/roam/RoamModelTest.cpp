#include "Flights.h"
#include "RoamInvariants.h"
#include "SyntheticMaps.h"

#include "roam/Roam.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

struct GridSizeCase {
    int width, length;
    int expected;
    std::string warnings;
};

std::string portion(int n) {
    return "\tUsing a " + std::to_string(n) + "x" + std::to_string(n) +
           " portion of the Heightmap.\n";
}

const std::string kWarning = "WARNING: \n";
const std::string kNotSquare = "\tThe Heightmap is not square\n";
const std::string kNotPowerOfTwo = "\tThe Heightmap size is not a power of 2, plus 1\n";

std::unique_ptr<Roam> buildQuietly(const HeightMap& map, Vector3D camera = Vector3D(1, 50, 1)) {
    testing::internal::CaptureStderr();
    auto roam = std::make_unique<Roam>(cameraAt(camera), map, nullptr);
    testing::internal::GetCapturedStderr();
    return roam;
}

} // namespace

TEST(RoamGridSize, followsTheTableOfMapShapes) {
    const GridSizeCase cases[] = {
        {257, 257, 257, ""},
        {1201, 1201, 1025, kWarning + kNotPowerOfTwo + portion(1025)},
        {300, 300, 257, kWarning + kNotPowerOfTwo + portion(257)},
        {257, 300, 257, kWarning + kNotSquare},
        {200, 257, 129, kWarning + kNotSquare + kNotPowerOfTwo + portion(129)},
        {3, 3, 3, ""},
    };
    for (const GridSizeCase& c : cases) {
        const SyntheticHeightMap map = flatMap(c.width, c.length);
        testing::internal::CaptureStderr();
        const int n = Roam::usableGridSize(map);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warnings)
            << c.width << " x " << c.length;
        EXPECT_EQ(n, c.expected) << c.width << " x " << c.length;
    }
}

TEST(RoamGridSize, poolHoldsFourEntriesPerSampleOfTheMeshedPortion) {
    const SyntheticHeightMap small = flatMap(257, 257);
    EXPECT_EQ(2 * buildQuietly(small)->fullResolutionTriangles + 1, 262145);
    const SyntheticHeightMap full = flatMap(1201, 1201);
    const std::unique_ptr<Roam> built = buildQuietly(full);
    const Roam& roam = *built;
    EXPECT_EQ(roam.gridSize, 1025);
    EXPECT_EQ(2 * roam.fullResolutionTriangles + 1, 4194305);
    EXPECT_EQ(roam.secondRoot, static_cast<uint32_t>(roam.fullResolutionTriangles) + 1);
}

TEST(RoamGridSize, mapsWithAUsableSideBelowThreeAreRefusedWithAMessage) {
    for (const auto& [width, length] : {std::pair{2, 2}, {1, 1}, {0, 0}, {2, 40}, {1, 3}}) {
        const SyntheticHeightMap map = flatMap(width, length);
        testing::internal::CaptureStderr();
        try {
            Roam roam(cameraAt(Vector3D(0, 10, 0)), map, nullptr);
            ADD_FAILURE() << width << " x " << length << " was meshed";
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find("at least 3x3"), std::string::npos)
                << error.what();
        }
        testing::internal::GetCapturedStderr();
    }
}

TEST(RoamConstruction, threeByThreeMapSplitsUntilNothingIsLeftToSplit) {
    const SyntheticHeightMap map = noiseMap(3, 5);
    const std::unique_ptr<Roam> built = buildQuietly(map);
    const Roam& roam = *built;
    EXPECT_EQ(roam.fullResolutionTriangles, 8);
    EXPECT_EQ(roam.triangleCount, 8u); // the default target of 10000 is never reached
    EXPECT_TRUE(roam.splitQueue.empty() ||
                roam.pool[roam.splitQueue.triangle(0)].splitState != Queued);
    RoamChecker checker;
    EXPECT_EQ(checker.check(roam), "");
}

TEST(RoamConstruction, startsFromTheRootsAndRefinesToTheTargetThenSettles) {
    const SyntheticHeightMap map = islandMap(257, 2);
    const std::unique_ptr<Roam> built = buildQuietly(map, Vector3D(128, 80, 190));
    const Roam& roam = *built;
    const TriangleCorners first = roam.corners(roam.firstRoot),
                          second = roam.corners(roam.secondRoot);
    EXPECT_TRUE(first.left == (GridPoint{0, 0}) && first.right == (GridPoint{256, 256}) &&
                first.apex == (GridPoint{0, 256}));
    EXPECT_TRUE(second.left == (GridPoint{256, 256}) && second.right == (GridPoint{0, 0}) &&
                second.apex == (GridPoint{256, 0}));
    GridPoint middle{};
    ASSERT_TRUE(roam.splitPoint(roam.firstRoot, middle));
    EXPECT_TRUE(middle == (GridPoint{128, 128}));
    EXPECT_EQ(roam.triangleTarget, 10000u);
    EXPECT_EQ(roam.updatesPerFrame, 10u);
    EXPECT_FALSE(roam.cullingEnabled);
    EXPECT_GE(roam.triangleCount, 9990u);
    EXPECT_LE(roam.triangleCount, 10040u);
    // Settled within the 100 settling updates: the last split no longer beats the last merge.
    EXPECT_LE(roam.lastSplit, roam.lastMerge);
    RoamChecker checker;
    EXPECT_EQ(checker.check(roam), "");
}

TEST(RoamConstruction, theRootsShareTheErrorAtTheMiddleOfTheGrid) {
    const SyntheticHeightMap map(
        5, 5, [](int x, int z) { return x == 2 && z == 2 ? 9.0f : float(x + z); });
    const std::unique_ptr<Roam> built = buildQuietly(map);
    const Roam& roam = *built;
    // |h(2, 2) - (h(0, 0) + h(4, 4)) / 2| = |9 - 4|
    EXPECT_EQ(roam.pool[roam.firstRoot].error, 5.0f);
    EXPECT_EQ(roam.pool[roam.secondRoot].error, 5.0f);
}

TEST(RoamConstruction, geometryOfEveryEntryFollowsFromItsParent) {
    // Fully refined, every entry of the pool has been reached; the checker compares every child
    // with its parent, the plain reading compares every corner and error.
    const SyntheticHeightMap map = noiseMap(33, 3);
    const std::unique_ptr<Roam> built = buildQuietly(map, Vector3D(16, 200, 16));
    const Roam& roam = *built;
    ASSERT_EQ(roam.triangleCount, static_cast<unsigned>(roam.fullResolutionTriangles));
    RoamChecker checker;
    EXPECT_EQ(checker.check(roam), "");
    PlainRoam plain(Vector3D(16, 200, 16), map, 33);
    plain.settle(Vector3D(16, 200, 16));
    EXPECT_EQ(differences(roam, plain, true), "");
}

TEST(RoamConstruction, entriesTheMeshNeverReachesStayUntouched) {
    const SyntheticHeightMap map = islandMap();
    const std::unique_ptr<Roam> built = buildQuietly(map, Vector3D(600, 150, 900));
    const Roam& roam = *built;
    // The finest level alone has 2^21 entries per tree; the mesh of about 10000 triangles
    // reaches a small part of them, and the rest still read as all zero.
    std::size_t reached = 0;
    const std::size_t size = 2 * static_cast<std::size_t>(roam.fullResolutionTriangles) + 1;
    for (std::size_t t = 0; t < size; ++t) reached += roam.pool[t].leftCorner != 0;
    EXPECT_LT(reached, size / 50);
    EXPECT_GT(reached, 10000u);
}
