#include "RoamInvariants.h"

#include "app/Camera.h"
#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

Camera cameraAt(Vector3D position) {
    Camera camera(nullptr);
    camera.position = position;
    return camera;
}

float rough(int row, int column) {
    return static_cast<float>((row * row + column) % 5);
}

} // namespace

TEST(RoamCases, gridSizeFollowsTheMapsShapeWithItsWarnings) {
    const std::string warning = "WARNING: \n", notSquare = "\tThe Heightmap is not square\n",
                      notPower = "\tThe Heightmap size is not a power of 2, plus 1\n";
    const std::string usingA = "\tUsing a ", ofMap = " portion of the Heightmap.\n";
    const struct {
        int width, length, expected;
        std::string warnings;
    } cases[] = {{1201, 1201, 1025, warning + notPower + usingA + "1025x1025" + ofMap},
                 {300, 300, 257, warning + notPower + usingA + "257x257" + ofMap},
                 {257, 300, 257, warning + notSquare},
                 {200, 257, 129, warning + notSquare + notPower + usingA + "129x129" + ofMap},
                 {3, 3, 3, ""}};
    for (const auto& c : cases) {
        const GridHeightMap map(c.width, c.length, [](int, int) { return 0.0f; });
        testing::internal::CaptureStderr();
        EXPECT_EQ(Roam::usableGridSize(map), c.expected) << c.width << " x " << c.length;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warnings) << c.width << "x" << c.length;
    }
}

// Below 3 x 3 there is no mesh; past 16385 x 16385 grid points no longer fit their references.
TEST(RoamCases, mapsOutsideTheMeshableSizesAreRefused) {
    for (const auto& [width, length] : {std::pair{2, 2}, {0, 0}, {2, 40}, {32769, 32769}}) {
        GridHeightMap map(0, 0, nullptr);
        map.width = width, map.length = length; // only the shape is read before the refusal
        testing::internal::CaptureStderr();
        EXPECT_THROW(Roam(cameraAt(Vector3D(0, 10, 0)), map, nullptr), std::invalid_argument);
        testing::internal::GetCapturedStderr();
    }
}

TEST(RoamCases, mergeStepOnAnEmptyQueueReturnsTwoToTheThirtyFirst) {
    // The full 3 x 3 mesh has no mergeable diamond: its outer triangles lie on the border.
    const GridHeightMap map(3, 3, rough);
    Roam roam(cameraAt(Vector3D(1, 30, 1)), map, nullptr);
    ASSERT_TRUE(roam.triangleCount == 8u && roam.diamondCount() == 0);
    for (int step = 0; step < 2; ++step) EXPECT_EQ(roam.mergeStep(), 2147483648.0f);
    EXPECT_EQ(roam.triangleCount, 8u);
    EXPECT_EQ(checkRoam(roam), "");
}

// With every triangle split there is nothing left to split: the mesh settles after the camera
// moves, whether it was already fully split (65 x 65 holds fewer than the default target) or
// refines toward a target above the full mesh from 2000 triangles, and then stays as it is.
TEST(RoamCases, aFullySplitMeshSettlesAfterTheCameraMoves) {
    for (const unsigned startTarget : {10000u, 2000u}) {
        const GridHeightMap map(65, 65, rough);
        Camera camera = cameraAt(Vector3D(32, 20, 48));
        Roam roam(camera, map, nullptr);
        roam.triangleTarget = startTarget;
        roam.updatesPerFrame = 10000; // merges down to the start target at once
        roam.restartOptimisation();
        roam.update(camera);
        ASSERT_LT(roam.triangleCount, startTarget + 50); // a forced split may overshoot
        roam.updatesPerFrame = 10;
        roam.triangleTarget = 9000;
        camera.position = Vector3D(10, 30, 20);
        int frames = 0;
        for (; frames < 1000 && (frames == 0 || roam.lastSplit > roam.lastMerge); ++frames)
            roam.update(camera);
        EXPECT_LT(frames, 1000) << startTarget << ": still refining";
        EXPECT_EQ(roam.triangleCount, 8192u);
        EXPECT_EQ(roam.lastSplit, Roam::kNoSplit);
        const float lastMerge = roam.lastMerge;
        roam.update(camera);
        EXPECT_TRUE(roam.lastSplit == Roam::kNoSplit && roam.lastMerge == lastMerge);
        EXPECT_EQ(checkRoam(roam), "");
    }
}

TEST(RoamCases, cameraAtASplitPointAtHeightZeroGivesNoNaN) {
    for (const float h : {0.0f, 3.0f}) { // rough and flat
        const GridHeightMap map(5, 5, [h](int r, int c) { return h ? h : rough(r, c); });
        Roam roam(cameraAt(Vector3D(2, 0, 2)), map, nullptr); // the roots' split point
        roam.update(cameraAt(Vector3D(0, 0, 2)));             // a child's split point
        for (std::size_t p = 0; p < roam.splitQueue.size(); ++p)
            EXPECT_TRUE(std::isfinite(roam.splitQueue.key(p)));
        EXPECT_TRUE(std::isfinite(roam.pool[roam.firstRoot].priority));
        EXPECT_EQ(checkRoam(roam), "");
    }
}

TEST(RoamCases, aSphereExactlyTouchingAPlaneStraddlesIt) {
    // Entry 2 of the flat 3 x 3 mesh has corners (0, 2), (0, 0) and (1, 1): centre (0, 0, 1),
    // radius 1. Planes 1 to 5 lie far away, clearing it.
    const GridHeightMap map(3, 3, [](int, int) { return 0.0f; });
    Roam roam(cameraAt(Vector3D(1, 9, 1)), map, nullptr);
    FrustumPlane planes[6] = {
        {}, {0, 1, 0, 99}, {0, 1, 0, 99}, {0, 1, 0, 99}, {0, 1, 0, 99}, {0, 1, 0, 99}};
    for (const float d : {1.0f, -1.0f, -1.001f}) {
        planes[0] = {d > 0 ? 1.0f : -1.0f, 0, 0, d};
        EXPECT_EQ(roam.cullTest(2, 0, planes), d >= -1.0f ? 62 : Roam::CullOutside) << d;
    }
}

TEST(RoamCases, aDrainedQueueGivesItsTrianglesInTheOrderOfPops) {
    // Few distinct keys, so that most entries tie; below and above the drain's 2^16-entry switch.
    for (const uint32_t count : {1000u, 70000u}) {
        KeyedMaxHeap drained, popped;
        uint32_t h = 1;
        for (uint32_t t = 1; t <= count; ++t) {
            h = h * 1103515245u + 12345u;
            const float key = static_cast<float>(h >> 28);
            drained.push(key, t);
            popped.push(key, t);
        }
        std::vector<uint32_t> order;
        drained.drainInto(order);
        int misplaced = 0;
        for (const uint32_t t : order) misplaced += t != popped.pop();
        EXPECT_EQ(order.size(), count);
        EXPECT_EQ(misplaced, 0) << count;
        EXPECT_TRUE(drained.empty() && popped.empty());
    }
}
