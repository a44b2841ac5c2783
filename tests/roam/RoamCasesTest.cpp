#include "RoamInvariants.h"

#include "app/Camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <tuple>

namespace {

Camera cameraAt(Vector3D position) {
    Camera camera(nullptr);
    camera.position = position;
    return camera;
}

const auto rough = [](int row, int column) { return float((row * row + column) % 5); };

} // namespace

// Below 3 x 3 there is no mesh; past 16385 x 16385 points overflow their references: refused (0).
TEST(RoamCases, gridSizeFollowsTheMapsShapeWithItsWarnings) {
    const std::string notSquare = "WARNING: \n\tThe Heightmap is not square\n",
                      notPower = "\tThe Heightmap size is not a power of 2, plus 1\n\tUsing a ",
                      ofMap = " portion of the Heightmap.\n";
    const std::tuple<int, int, int, std::string> cases[] = {
        {1201, 1201, 1025, "WARNING: \n" + notPower + "1025x1025" + ofMap},
        {257, 300, 257, notSquare},
        {200, 257, 129, notSquare + notPower + "129x129" + ofMap},
        {3, 3, 3, ""},
        {2, 40, 0, notSquare},
        {32769, 32769, 0, ""}};
    for (const auto& [width, length, expected, warnings] : cases) {
        GridHeightMap map(0, 0, nullptr);
        map.width = width, map.length = length;
        testing::internal::CaptureStderr();
        if (expected)
            EXPECT_EQ(Roam::usableGridSize(map), expected) << width << " x " << length;
        else
            EXPECT_THROW(Roam(cameraAt(Vector3D(0, 10, 0)), map, nullptr), std::invalid_argument);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), warnings) << width << " x " << length;
    }
}

// Entry 2 of the flat 3 x 3 mesh: centre (0, 0, 1), radius 1; mask 62 says planes 1 to 5 passed.
TEST(RoamCases, aSphereExactlyTouchingAPlaneStraddlesIt) {
    const GridHeightMap map(3, 3, [](int, int) { return 0.0f; });
    Roam roam(cameraAt(Vector3D(1, 9, 1)), map, nullptr);
    FrustumPlane planes[6] = {};
    for (const auto& [a, d, expected] :
         {std::tuple{1.0f, 1.0f, 62}, {-1.0f, -1.0f, 62}, {-1.0f, -1.001f, Roam::CullOutside}}) {
        planes[0] = {a, 0, 0, d};
        EXPECT_EQ(roam.cullTest(2, 62, planes), expected) << a << " " << d;
    }
}

// Past the drain's 2^16-entry switch, with few distinct keys so that most entries tie.
TEST(RoamCases, aDrainedQueueGivesItsTrianglesInTheOrderOfPops) {
    KeyedMaxHeap drained, popped;
    uint32_t h = 1;
    for (uint32_t t = 1; t <= 70000; ++t) {
        h = h * 1103515245u + 12345u;
        drained.push(static_cast<float>(h >> 28), t);
        popped.push(static_cast<float>(h >> 28), t);
    }
    std::vector<uint32_t> order;
    drained.drainInto(order);
    int misplaced = 0;
    for (const uint32_t t : order) misplaced += t != popped.pop();
    EXPECT_TRUE(order.size() == 70000 && misplaced == 0 && drained.empty() && popped.empty());
}

// Split error over the distance from the split point at height 0.
TEST(RoamCases, prioritiesWithoutNaN) {
    const GridHeightMap map(5, 5, rough);
    Roam roam(cameraAt(Vector3D(1, 30, 4)), map, nullptr);
    // The roots split at (2, 2), error 1; the first's children at (0, 2), 3.5, and (2, 4), 2.5.
    for (const auto& [t, priority] :
         {std::pair{1u, 0.0332411267f}, {2u, 0.116343938f}, {3u, 0.0832870752f}}) {
        roam.pool[t].priority = 0;
        roam.computePriority(t);
        EXPECT_EQ(roam.pool[t].priority, priority) << t;
    }
    roam.computePriority(16); // a finest triangle cannot split
    EXPECT_EQ(roam.pool[16].priority, -1.0f);
    // With no distance, 2^31, or 0 when flat: no NaN.
    for (const float h : {0.0f, 3.0f}) {
        const GridHeightMap at(5, 5, [h](int r, int c) { return h ? h : rough(r, c); });
        Roam still(cameraAt(Vector3D(2, 0, 2)), at, nullptr); // the roots' split point
        still.computePriority(1);
        EXPECT_EQ(still.pool[1].priority, h ? 0.0f : 2147483648.0f);
        still.cameraPosition.y = 0.5f; // nearer than a unit: the error (1 or 0) over the distance
        still.computePriority(1);
        EXPECT_EQ(still.pool[1].priority, h ? 0.0f : 2.0f);
        still.update(cameraAt(Vector3D(0, 0, 2))); // a child's split point
        for (std::size_t p = 0; p < still.splitQueue.size(); ++p)
            EXPECT_TRUE(std::isfinite(still.splitQueue.key(p)));
        EXPECT_EQ(checkRoam(still), "");
    }

    const GridHeightMap bumps(9, 9,
                              [](int r, int c) { return float((r * r * 3 + c * c * 7) % 11); });
    Roam steps(cameraAt(Vector3D(1, 30, 4)), bumps, nullptr);
    steps.updatesPerFrame = 0; // rebuilt for another position without a step: no stale entry
    steps.update(cameraAt(Vector3D(3, 20, 1)));
    EXPECT_EQ(checkRoam(steps), "");
}

// A restart sets lastMerge to -2 and lastSplit to 2^31. Each update takes at most updatesPerFrame
// steps, merging above the target and splitting at or below it, until it settles.
TEST(RoamCases, parameterOperationsAndTheUpdateBudget) {
    const GridHeightMap map(33, 33, rough);
    Camera camera = cameraAt(Vector3D(16, 40, 16));
    Roam roam(camera, map, nullptr);
    ASSERT_TRUE(roam.triangleCount == 2048u && roam.triangleTarget == 10000); // fully split
    camera.position = Vector3D(10, 30, 20); // below the target: settles, then runs no split step
    int frames = 0;
    for (; frames < 1000 && (frames == 0 || roam.lastSplit > roam.lastMerge); ++frames)
        roam.update(camera);
    EXPECT_TRUE(frames < 1000 && roam.triangleCount == 2048u && roam.lastSplit == Roam::kNoSplit);
    const float lastMerge = roam.lastMerge;
    roam.update(camera);
    EXPECT_TRUE(roam.lastSplit == Roam::kNoSplit && roam.lastMerge == lastMerge);
    EXPECT_EQ(roam.updatesPerFrame, 10);
    const auto check = [&](void (Roam::*operation)(), unsigned target, unsigned updates,
                           bool restarts) {
        roam.lastMerge = roam.lastSplit = 5;
        (roam.*operation)();
        const bool restarted = roam.lastMerge == -2.0f && roam.lastSplit == 2147483648.0f;
        EXPECT_TRUE(roam.triangleTarget == target && roam.updatesPerFrame == updates &&
                    restarted == restarts)
            << roam.triangleTarget << " " << roam.updatesPerFrame;
    };
    roam.triangleTarget = 2030;
    check(&Roam::lowerTriangleTarget, 2020, 10, true);
    check(&Roam::raiseTriangleTarget, 2030, 10, true);
    check(&Roam::lowerUpdatesPerFrame, 2030, 9, false);
    check(&Roam::raiseUpdatesPerFrame, 2030, 10, false);
    check(&Roam::restartOptimisation, 2030, 10, true);
    roam.updatesPerFrame = 1;
    check(&Roam::lowerUpdatesPerFrame, 2030, 1, false);
    // Lowered only from above 20 while more than one diamond is queued.
    const int stale = roam.staleMerges, entries = int(roam.mergeQueue.size());
    for (const auto& [target, diamonds, lowered] :
         {std::tuple{20u, 2, 20u}, {21u, 2, 11u}, {30u, 1, 30u}}) {
        roam.triangleTarget = target;
        roam.staleMerges = entries - diamonds;
        check(&Roam::lowerTriangleTarget, lowered, 1, true);
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
    roam.triangleTarget = roam.triangleCount; // at the target, the next step splits
    roam.restartOptimisation();
    roam.updatesPerFrame = 1;
    roam.update(camera);
    EXPECT_GT(roam.triangleCount, settled);
    EXPECT_EQ(checkRoam(roam), "");

    const GridHeightMap tiny(3, 3, rough); // fully split, no mergeable diamond on the border
    Roam small(cameraAt(Vector3D(1, 30, 1)), tiny, nullptr);
    EXPECT_TRUE(small.mergeStep() == 2147483648.0f && small.triangleCount == 8);
}
