#include "RoamInvariants.h"

#include "app/Camera.h"
#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <tuple>
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

// The usable grid with its warnings (only the map's shape is read). Below 3 x 3 there is no mesh;
// past 16385 x 16385 grid points no longer fit their references: refused, grid 0 here.
TEST(RoamCases, gridSizeFollowsTheMapsShapeWithItsWarnings) {
    const std::string notSquare = "WARNING: \n\tThe Heightmap is not square\n",
                      notPower = "\tThe Heightmap size is not a power of 2, plus 1\n\tUsing a ",
                      ofMap = " portion of the Heightmap.\n";
    const struct {
        int width, length, expected;
        std::string warnings;
    } cases[] = {{1201, 1201, 1025, "WARNING: \n" + notPower + "1025x1025" + ofMap},
                 {300, 300, 257, "WARNING: \n" + notPower + "257x257" + ofMap},
                 {257, 300, 257, notSquare},
                 {200, 257, 129, notSquare + notPower + "129x129" + ofMap},
                 {3, 3, 3, ""},
                 {2, 2, 0, ""},
                 {0, 0, 0, ""},
                 {2, 40, 0, ""},
                 {32769, 32769, 0, ""}};
    for (const auto& c : cases) {
        GridHeightMap map(0, 0, nullptr);
        map.width = c.width, map.length = c.length;
        testing::internal::CaptureStderr();
        if (c.expected)
            EXPECT_EQ(Roam::usableGridSize(map), c.expected) << c.width << " x " << c.length;
        else
            EXPECT_THROW(Roam(cameraAt(Vector3D(0, 10, 0)), map, nullptr), std::invalid_argument);
        const std::string warnings = testing::internal::GetCapturedStderr();
        EXPECT_EQ(warnings, c.expected ? c.warnings : warnings) << c.width << " x " << c.length;
    }
}

// With every triangle split there is nothing left to split: the mesh settles after the camera
// moves, whether it was already fully split (65 x 65 holds fewer than the default target) or
// refines toward a target above the full mesh from 2000 triangles, or from as few as merges reach
// (target 0, the queue drained), and then stays as it is.
TEST(RoamCases, aFullySplitMeshSettlesAfterTheCameraMoves) {
    for (const unsigned startTarget : {10000u, 2000u, 0u}) {
        const GridHeightMap map(65, 65, rough);
        Camera camera = cameraAt(Vector3D(32, 20, 48));
        Roam roam(camera, map, nullptr);
        roam.triangleTarget = startTarget;
        roam.updatesPerFrame = 10000; // merges down to the start target at once
        roam.restartOptimisation();
        roam.update(camera);
        // A forced split may overshoot; merges stop short of 0 at the border, which stays split.
        ASSERT_LT(roam.triangleCount, startTarget ? startTarget + 50 : 1000u);
        ASSERT_EQ(checkRoam(roam), "");
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

// With no distance to divide by, a triangle gets 2^31, the largest a split can return, or 0 when it
// is flat: no NaN.
TEST(RoamCases, cameraAtASplitPointAtHeightZeroGivesNoNaN) {
    for (const float h : {0.0f, 3.0f}) { // rough and flat
        const GridHeightMap map(5, 5, [h](int r, int c) { return h ? h : rough(r, c); });
        Roam roam(cameraAt(Vector3D(2, 0, 2)), map, nullptr); // the roots' split point
        roam.computePriority(roam.firstRoot);
        EXPECT_EQ(roam.pool[roam.firstRoot].priority, h ? 0.0f : 2147483648.0f);
        roam.cameraPosition.y = 0.5f; // nearer than a unit, the error (1 or 0) over the distance
        roam.computePriority(roam.firstRoot);
        EXPECT_EQ(roam.pool[roam.firstRoot].priority, h ? 0.0f : 2.0f);
        roam.update(cameraAt(Vector3D(0, 0, 2))); // a child's split point
        for (std::size_t p = 0; p < roam.splitQueue.size(); ++p)
            EXPECT_TRUE(std::isfinite(roam.splitQueue.key(p)));
        EXPECT_EQ(checkRoam(roam), "");
    }
}

TEST(RoamCases, aSphereExactlyTouchingAPlaneStraddlesIt) {
    // Entry 2 of the flat 3 x 3 mesh has corners (0, 2), (0, 0) and (1, 1): centre (0, 0, 1),
    // radius 1. Entry 4 has corners (1, 1), (0, 2) and (0, 1): centre (0.5, 0, 1.5), radius
    // 0.7071. Planes 1 to 5 lie far away, clearing both.
    const GridHeightMap map(3, 3, [](int, int) { return 0.0f; });
    Roam roam(cameraAt(Vector3D(1, 9, 1)), map, nullptr);
    FrustumPlane planes[6] = {
        {}, {0, 1, 0, 99}, {0, 1, 0, 99}, {0, 1, 0, 99}, {0, 1, 0, 99}, {0, 1, 0, 99}};
    const struct {
        uint32_t entry;
        float a, d;
        int expected;
    } cases[] = {{2, 1, 1, 62},
                 {2, -1, -1, 62},
                 {2, -1, -1.001f, Roam::CullOutside},
                 {4, 1, -1.2f, 62},
                 {4, 1, -1.21f, Roam::CullOutside}};
    for (const auto& c : cases) {
        planes[0] = {c.a, 0, 0, c.d};
        EXPECT_EQ(roam.cullTest(c.entry, 0, planes), c.expected) << c.entry << " " << c.d;
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

// A priority is the split error over the distance from the split point at height 0, not at the
// terrain's height, to the camera. A step returns the priority it acted on: the split step its
// triangle's, the merge step the merged triangle's.
TEST(RoamCases, prioritiesAndWhatEachStepReturns) {
    const GridHeightMap map(5, 5, rough);
    Roam roam(cameraAt(Vector3D(1, 30, 4)), map, nullptr);
    // The roots split at (2, 2) with error 1; the first's children at (0, 2), error 3.5, and at
    // (2, 4), error 2.5.
    for (const auto& [t, priority] :
         {std::pair{1u, 0.0332411267f}, {2u, 0.116343938f}, {3u, 0.0832870752f}}) {
        roam.pool[t].priority = 0;
        roam.computePriority(t);
        EXPECT_EQ(roam.pool[t].priority, priority) << t;
    }
    roam.computePriority(16); // a finest triangle, which cannot split
    EXPECT_EQ(roam.pool[16].priority, -1.0f);

    // Rebuilt for another position without a step, the queues hold no stale entry.
    const GridHeightMap bumps(9, 9,
                              [](int r, int c) { return float((r * r * 3 + c * c * 7) % 11); });
    Roam steps(cameraAt(Vector3D(1, 30, 4)), bumps, nullptr);
    steps.updatesPerFrame = 0;
    const Vector3D moved(3, 20, 1);
    steps.update(cameraAt(moved));
    EXPECT_EQ(checkRoam(steps), "");
    for (int merges = 0; merges < 8; ++merges) {
        const uint32_t top = steps.mergeQueue[0];
        const float own = steps.pool[top].priority;
        EXPECT_EQ(steps.mergeStep(), own);
    }
    steps.update(cameraAt(Vector3D(3, 21, 1)));
    const float best = steps.splitQueue.key(0);
    EXPECT_EQ(steps.splitStep(), best);
    EXPECT_EQ(checkRoam(steps), "");
}

// A restart sets lastMerge to -2 and lastSplit to 2^31. While running, each update takes at most
// updatesPerFrame steps: merges above the target, splits at or below it; once settled it does
// nothing until the next restart.
TEST(RoamCases, parameterOperationsAndTheUpdateBudget) {
    const GridHeightMap map(33, 33, rough);
    const Camera camera = cameraAt(Vector3D(16, 40, 16));
    Roam roam(camera, map, nullptr); // at full resolution: 2048 triangles
    ASSERT_EQ(roam.triangleCount, 2048u);
    EXPECT_TRUE(roam.triangleTarget == 10000 && roam.updatesPerFrame == 10); // where they start
    // Construction splits while below the target, the default 10000, and then settles; on this
    // map the splits reach it exactly.
    const GridHeightMap stepped(129, 129, [](int r, int c) {
        const uint32_t h = static_cast<uint32_t>(r) * 374761393u + c * 668265263u;
        return c < 43 ? 0.0f : static_cast<float>(((h ^ (h >> 13)) * 1274126177u) >> 29) * 5;
    });
    const Roam constructed(cameraAt(Vector3D(64, 20, 64)), stepped, nullptr);
    EXPECT_TRUE(constructed.triangleCount == 10000 &&
                constructed.lastSplit == constructed.lastMerge);
    const auto restarted = [&] {
        const bool yes = roam.lastMerge == -2.0f && roam.lastSplit == 2147483648.0f;
        roam.lastMerge = roam.lastSplit = 5;
        return yes;
    };
    const struct {
        void (Roam::*operation)();
        unsigned target, updates;
        bool restarts;
    } operations[] = {{&Roam::lowerTriangleTarget, 2020, 10, true},
                      {&Roam::raiseTriangleTarget, 2030, 10, true},
                      {&Roam::lowerUpdatesPerFrame, 2030, 9, false},
                      {&Roam::raiseUpdatesPerFrame, 2030, 10, false},
                      {&Roam::restartOptimisation, 2030, 10, true}};
    roam.triangleTarget = 2030;
    for (const auto& o : operations) {
        roam.lastMerge = roam.lastSplit = 5;
        (roam.*o.operation)();
        EXPECT_TRUE(roam.triangleTarget == o.target && roam.updatesPerFrame == o.updates &&
                    restarted() == o.restarts)
            << &o - operations;
    }
    roam.updatesPerFrame = 1;
    roam.lowerUpdatesPerFrame();
    roam.triangleTarget = 20;
    roam.lowerTriangleTarget();
    EXPECT_TRUE(roam.updatesPerFrame == 1 && roam.triangleTarget == 20 && restarted());
    // Lowered only from above 20 while more than one diamond is queued.
    const int stale = roam.staleMerges;
    for (const auto& [target, diamonds, lowered] : {std::tuple{21u, 2, 11u}, {30u, 1, 30u}}) {
        roam.triangleTarget = target;
        roam.staleMerges = int(roam.mergeQueue.size()) - diamonds;
        roam.lowerTriangleTarget();
        EXPECT_EQ(roam.triangleTarget, lowered) << target;
    }
    roam.staleMerges = stale;

    roam.triangleTarget = 2000;
    roam.restartOptimisation();
    for (const unsigned budget : {3u, 1u}) {
        const unsigned before = roam.triangleCount;
        roam.updatesPerFrame = budget;
        roam.update(camera);
        EXPECT_EQ(before - roam.triangleCount, 2 * budget); // one merge each
        EXPECT_GT(roam.lastMerge, -2.0f);
    }
    roam.updatesPerFrame = 1000;
    roam.update(camera);
    ASSERT_LE(roam.lastSplit, roam.lastMerge);
    EXPECT_TRUE(roam.triangleCount >= 1999 && roam.triangleCount <= 2002);
    const unsigned settled = roam.triangleCount;
    const size_t queued = roam.splitQueue.size() + roam.mergeQueue.size();
    roam.update(camera);
    EXPECT_TRUE(roam.triangleCount == settled &&
                roam.splitQueue.size() + roam.mergeQueue.size() == queued);
    roam.triangleTarget = roam.triangleCount; // at the target, the next step splits
    roam.restartOptimisation();
    roam.updatesPerFrame = 1;
    roam.update(camera);
    EXPECT_GT(roam.triangleCount, settled);
    EXPECT_EQ(checkRoam(roam), "");

    // The full 3 x 3 mesh has no mergeable diamond (its outer triangles lie on the border): it
    // keeps its target, and a merge step merges nothing and returns 2^31.
    const GridHeightMap tiny(3, 3, rough);
    Roam small(cameraAt(Vector3D(1, 30, 1)), tiny, nullptr);
    small.triangleTarget = 30;
    small.lowerTriangleTarget();
    for (int step = 0; step < 2; ++step) EXPECT_EQ(small.mergeStep(), 2147483648.0f);
    EXPECT_TRUE(small.triangleTarget == 30 && small.triangleCount == 8 && !small.diamondCount());
    EXPECT_EQ(checkRoam(small), "");
}
