#include "Flights.h"
#include "SyntheticMaps.h"

#include "roam/Roam.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A flat 3 x 3 grid refined to its 8 leaves. Pool entry 2, the first root's left child, has
// corners (0, 2), (0, 0) and apex (1, 1): its sphere is centred at (0, 0, 1) with radius 1.
struct FlatThreeByThree : ::testing::Test {
    SyntheticHeightMap map = flatMap(3, 3);
    std::unique_ptr<Roam> roam = std::make_unique<Roam>(cameraAt(Vector3D(1, 9, 1)), map, nullptr);
    static constexpr uint32_t kLeftChild = 2;

    // Planes 1 to 5 far away on their inner side; plane 0 as given.
    static void frustumWith(FrustumPlane first, FrustumPlane planes[6]) {
        planes[0] = first;
        for (int i = 1; i < 6; ++i) planes[i] = {0, 1, 0, 1000};
    }
};

} // namespace

TEST_F(FlatThreeByThree, theSphereIsCentredOnTheHypotenuseWithTheFarthestCornerAsRadius) {
    const TriangleCorners c = roam->corners(kLeftChild);
    ASSERT_TRUE(c.left == (GridPoint{0, 2}) && c.right == (GridPoint{0, 0}) &&
                c.apex == (GridPoint{1, 1}));
    FrustumPlane planes[6];
    frustumWith({1, 0, 0, 100}, planes);
    EXPECT_EQ(roam->cullTest(kLeftChild, 0, planes), Roam::CullInside);
    EXPECT_EQ(roam->pool[kLeftChild].radiusSquared, 1.0f);
}

TEST_F(FlatThreeByThree, aSphereTouchingAPlaneStraddlesIt) {
    FrustumPlane planes[6];
    frustumWith({1, 0, 0, 1}, planes); // centre 1 inside, radius 1
    EXPECT_EQ(roam->cullTest(kLeftChild, 0, planes), 62);
    frustumWith({-1, 0, 0, -1}, planes); // centre 1 outside, radius 1: still touching
    EXPECT_EQ(roam->cullTest(kLeftChild, 0, planes), 62);
    frustumWith({-1, 0, 0, -1.001f}, planes); // just beyond
    EXPECT_EQ(roam->cullTest(kLeftChild, 0, planes), Roam::CullOutside);
}

TEST_F(FlatThreeByThree, aSphereOutsideALaterPlaneIsCulledAfterAnEarlierOneStraddled) {
    FrustumPlane planes[6];
    frustumWith({1, 0, 0, 0.5f}, planes); // straddles plane 0
    planes[3] = {0, 0, 1, -5};            // z = 5: the sphere at z = 1 lies wholly outside
    EXPECT_EQ(roam->cullTest(kLeftChild, 0, planes), Roam::CullOutside);
}

TEST_F(FlatThreeByThree, clearedPlanesAreNotTestedAgainBelow) {
    FrustumPlane planes[6];
    frustumWith({-1, 0, 0, -5}, planes); // would cull, but the mask says plane 0 is cleared
    EXPECT_EQ(roam->cullTest(kLeftChild, 1, planes), Roam::CullInside);
    EXPECT_EQ(roam->cullTest(kLeftChild, Roam::CullInside, planes), Roam::CullInside);
}

TEST_F(FlatThreeByThree, withoutAFrustumNothingIsTestedOrComputed) {
    EXPECT_EQ(roam->cullTest(kLeftChild, 0, nullptr), Roam::CullInside);
    EXPECT_EQ(roam->pool[kLeftChild].radiusSquared, 0.0f); // not computed yet
}

TEST(RoamWinding, everyTriangleWindsTheSameWayRound) {
    const SyntheticHeightMap map = noiseMap(17, 2);
    const Roam roam(cameraAt(Vector3D(8, 60, 8)), map, nullptr);
    ASSERT_EQ(roam.triangleCount, static_cast<unsigned>(roam.fullResolutionTriangles));
    for (uint32_t t = 1; t < 2 * static_cast<uint32_t>(roam.fullResolutionTriangles); ++t) {
        if (!roam.pool[t].leftCorner) continue;
        const TriangleCorners c = roam.corners(t);
        const int ax = c.right.x - c.left.x, az = c.right.z - c.left.z;
        const int bx = c.apex.x - c.left.x, bz = c.apex.z - c.left.z;
        EXPECT_LT(az * bx - ax * bz, 0) << "triangle " << t << " does not face down";
    }
}
