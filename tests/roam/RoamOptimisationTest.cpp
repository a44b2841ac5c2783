#include "Flights.h"
#include "RoamInvariants.h"
#include "SyntheticMaps.h"

#include "roam/Roam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<Roam> build(const HeightMap& map, Vector3D camera) {
    testing::internal::CaptureStderr();
    auto roam = std::make_unique<Roam>(cameraAt(camera), map, nullptr);
    testing::internal::GetCapturedStderr();
    return roam;
}

void settle(Roam& roam, Vector3D camera) {
    for (int call = 0; call < 10000 && roam.lastSplit > roam.lastMerge; ++call)
        roam.update(cameraAt(camera));
    ASSERT_LE(roam.lastSplit, roam.lastMerge) << "the mesh did not settle";
}

struct QueueSnapshot {
    std::vector<uint32_t> splits, merges;
    std::vector<float> keys;
    unsigned triangles;
    float lastSplit, lastMerge;
    int staleMerges;

    explicit QueueSnapshot(const Roam& roam)
        : merges(roam.mergeQueue), triangles(roam.triangleCount), lastSplit(roam.lastSplit),
          lastMerge(roam.lastMerge), staleMerges(roam.staleMerges) {
        for (std::size_t p = 0; p < roam.splitQueue.size(); ++p) {
            splits.push_back(roam.splitQueue.triangle(p));
            keys.push_back(roam.splitQueue.key(p));
        }
    }
    bool operator==(const QueueSnapshot& o) const {
        return splits == o.splits && merges == o.merges && keys == o.keys &&
               triangles == o.triangles && sameFloat(lastSplit, o.lastSplit) &&
               sameFloat(lastMerge, o.lastMerge) && staleMerges == o.staleMerges;
    }
};

const Vector3D kIslandCamera(128, 90, 190);

} // namespace

TEST(RoamOptimisation, aStillCameraOnASettledMeshChangesNothing) {
    const SyntheticHeightMap map = islandMap(257, 2);
    const auto roam = build(map, kIslandCamera);
    settle(*roam, kIslandCamera);
    const QueueSnapshot before(*roam);
    for (int call = 0; call < 5; ++call) roam->update(cameraAt(kIslandCamera));
    EXPECT_TRUE(QueueSnapshot(*roam) == before);
}

TEST(RoamOptimisation, aBudgetOfOneMakesOneStepPerUpdate) {
    // Two identical meshes: one updates with a budget of 1, the other takes one split step.
    const SyntheticHeightMap map = islandMap(257, 2);
    const auto updated = build(map, kIslandCamera), stepped = build(map, kIslandCamera);
    for (Roam* roam : {updated.get(), stepped.get()}) {
        settle(*roam, kIslandCamera);
        roam->updatesPerFrame = 1;
        roam->raiseTriangleTarget();
    }
    for (int call = 0; call < 8; ++call) {
        ASSERT_GT(stepped->lastSplit, stepped->lastMerge) << "still running";
        updated->update(cameraAt(kIslandCamera));
        if (stepped->triangleCount > stepped->triangleTarget)
            stepped->lastMerge = stepped->mergeStep();
        else
            stepped->lastSplit = stepped->splitStep();
        EXPECT_TRUE(QueueSnapshot(*updated) == QueueSnapshot(*stepped)) << "call " << call;
    }
}

TEST(RoamOptimisation, stepBudgetStopsAtOneAndHasNoUpperLimit) {
    const SyntheticHeightMap map = noiseMap(9, 1);
    const auto roam = build(map, Vector3D(4, 30, 4));
    roam->updatesPerFrame = 1;
    roam->lowerUpdatesPerFrame();
    EXPECT_EQ(roam->updatesPerFrame, 1u);
    roam->updatesPerFrame = 100000;
    roam->raiseUpdatesPerFrame();
    EXPECT_EQ(roam->updatesPerFrame, 100001u);
}

TEST(RoamOptimisation, targetChangesRestartTheOptimisation) {
    const SyntheticHeightMap map = islandMap(257, 2);
    const auto roam = build(map, kIslandCamera);
    settle(*roam, kIslandCamera);
    roam->raiseTriangleTarget();
    EXPECT_EQ(roam->triangleTarget, 10010u);
    EXPECT_EQ(roam->lastSplit, 2147483648.0f);
    EXPECT_EQ(roam->lastMerge, -2.0f);
    // The next calls split while the count is at or below the new target.
    const unsigned before = roam->triangleCount;
    roam->update(cameraAt(kIslandCamera));
    EXPECT_GT(roam->triangleCount, before);
    EXPECT_LT(roam->lastSplit, 2147483648.0f);

    settle(*roam, kIslandCamera);
    ASSERT_GT(roam->diamondCount(), 1);
    roam->lowerTriangleTarget();
    EXPECT_EQ(roam->triangleTarget, 10000u);
    EXPECT_EQ(roam->lastMerge, -2.0f);

    roam->triangleTarget = 20;
    roam->lastSplit = roam->lastMerge = 0.5f;
    roam->lowerTriangleTarget();
    EXPECT_EQ(roam->triangleTarget, 20u); // at 20: unchanged, but restarted
    EXPECT_EQ(roam->lastSplit, 2147483648.0f);
    EXPECT_EQ(roam->lastMerge, -2.0f);
}

TEST(RoamOptimisation, targetIsNotLoweredWithoutTwoMergeableDiamonds) {
    const SyntheticHeightMap map = noiseMap(3, 4);
    const auto roam = build(map, Vector3D(1, 30, 1));
    ASSERT_EQ(roam->diamondCount(), 0);
    roam->lowerTriangleTarget();
    EXPECT_EQ(roam->triangleTarget, 10000u);
    EXPECT_EQ(roam->lastSplit, 2147483648.0f);
    EXPECT_EQ(roam->lastMerge, -2.0f);
}

TEST(RoamOptimisation, mergeStepOnAnEmptyQueueMergesNothing) {
    // The 3 x 3 mesh at full resolution has no mergeable diamond: the roots' children lie on the
    // border and are never merged, and the roots' diamond has split children. Its merge queue
    // holds stale entries at most; the first step drops them, the next finds the queue empty.
    const SyntheticHeightMap map = noiseMap(3, 4);
    const auto roam = build(map, Vector3D(1, 30, 1));
    ASSERT_EQ(roam->diamondCount(), 0);
    EXPECT_EQ(roam->mergeStep(), 2147483648.0f);
    ASSERT_TRUE(roam->mergeQueue.empty());
    EXPECT_EQ(roam->staleMerges, 0);
    EXPECT_EQ(roam->mergeStep(), 2147483648.0f);
    EXPECT_EQ(roam->triangleCount, 8u);
    EXPECT_EQ(roam->staleMerges, 0);
}

TEST(RoamOptimisation, countAboveTargetWithNoDiamondStopsTheUpdateLoop) {
    const SyntheticHeightMap map = noiseMap(3, 4);
    const auto roam = build(map, Vector3D(1, 30, 1));
    roam->triangleTarget = 4;
    roam->restartOptimisation();
    roam->update(cameraAt(Vector3D(1, 30, 1)));
    EXPECT_EQ(roam->lastMerge, 2147483648.0f);
    EXPECT_EQ(roam->triangleCount, 8u);
    const QueueSnapshot stopped(*roam);
    roam->update(cameraAt(Vector3D(1, 30, 1)));
    EXPECT_TRUE(QueueSnapshot(*roam) == stopped);
}

TEST(RoamOptimisation, mergingDownToTheLastDiamondKeepsTheCountsSound) {
    const SyntheticHeightMap map = noiseMap(17, 6);
    const auto roam = build(map, Vector3D(3, 40, 12));
    ASSERT_EQ(roam->triangleCount, 512u);
    roam->triangleTarget = 20;
    roam->updatesPerFrame = 1;
    roam->restartOptimisation();
    RoamChecker checker;
    for (int call = 0; call < 600 && roam->lastMerge < 2147483648.0f; ++call) {
        roam->update(cameraAt(Vector3D(3, 40, 12)));
        ASSERT_GE(roam->diamondCount(), 0);
        ASSERT_EQ(checker.check(*roam), "") << "call " << call;
    }
    EXPECT_EQ(roam->lastMerge, 2147483648.0f) << "the merge queue ran out";
    EXPECT_EQ(roam->diamondCount(), 0);
    // Border triangles stay split: the mesh never returns to the two roots.
    EXPECT_GT(roam->triangleCount, 20u);
    EXPECT_FALSE(roam->isLeaf(roam->firstRoot));
    EXPECT_FALSE(roam->isLeaf(roam->secondRoot));
}

TEST(RoamOptimisation, aMergedDiamondGoesBackIntoTheSplitQueueRevivingItsEntries) {
    const SyntheticHeightMap map = islandMap(65, 3);
    const auto roam = build(map, Vector3D(32, 60, 50));
    ASSERT_GT(roam->diamondCount(), 0);
    const uint32_t d = [&] {
        std::vector<uint32_t> copy = roam->mergeQueue;
        for (;;) { // the entry the merge step will take
            const uint32_t t = heapPop(copy, [&](uint32_t x, uint32_t y) {
                const auto key = [&](uint32_t z) {
                    return std::max(roam->pool[z].priority,
                                    roam->pool[roam->pool[z].baseNeighbour].priority);
                };
                return key(x) < key(y);
            });
            if (roam->pool[t].mergeState == Queued) return t;
        }
    }();
    const uint32_t b = roam->pool[d].baseNeighbour;
    const int newEntries =
        (roam->pool[d].splitState != Stale) + (roam->pool[b].splitState != Stale);
    const std::size_t splitEntries = roam->splitQueue.size();
    const unsigned triangles = roam->triangleCount;
    const uint32_t children[4] = {roam->leftChild(d), roam->rightChild(d), roam->leftChild(b),
                                  roam->rightChild(b)};

    EXPECT_TRUE(sameFloat(roam->mergeStep(), roam->pool[d].priority));
    EXPECT_EQ(roam->triangleCount, triangles - 2);
    EXPECT_TRUE(roam->isLeaf(d) && roam->isLeaf(b));
    EXPECT_EQ(roam->pool[d].splitState, Queued);
    EXPECT_EQ(roam->pool[b].splitState, Queued);
    EXPECT_EQ(roam->splitQueue.size(), splitEntries + newEntries);
    for (const uint32_t child : children) EXPECT_EQ(roam->pool[child].splitState, Stale);
    RoamChecker checker;
    EXPECT_EQ(checker.check(*roam), "");
}

TEST(RoamOptimisation, forcedSplitSplitsTheLargerNeighboursFirst) {
    const SyntheticHeightMap map = islandMap(65, 3);
    const auto roam = build(map, Vector3D(10, 40, 10));
    roam->triangleTarget = 300;
    roam->restartOptimisation();
    settle(*roam, Vector3D(10, 40, 10));
    // A leaf that can split and whose base neighbour is one size larger.
    uint32_t leaf = 0;
    for (std::size_t p = 0; p < roam->splitQueue.size() && !leaf; ++p) {
        const uint32_t t = roam->splitQueue.triangle(p);
        const uint32_t b = roam->pool[t].baseNeighbour;
        if (roam->pool[t].splitState == Queued && b && roam->pool[b].baseNeighbour != t) leaf = t;
    }
    ASSERT_NE(leaf, 0u);
    const uint32_t larger = roam->pool[leaf].baseNeighbour;
    roam->forceSplit(leaf);
    EXPECT_FALSE(roam->isLeaf(leaf));
    EXPECT_FALSE(roam->isLeaf(larger));
    const uint32_t partner = roam->pool[leaf].baseNeighbour;
    EXPECT_EQ(roam->pool[partner].baseNeighbour, leaf);
    EXPECT_FALSE(roam->isLeaf(partner));
    RoamChecker checker;
    EXPECT_EQ(checker.check(*roam), "");
}

TEST(RoamOptimisation, aCameraAtASplitPointAtHeightZeroGivesAFinitePriority) {
    const SyntheticHeightMap rough = noiseMap(5, 9), flat = flatMap(5, 5, 2.0f);
    const auto peaked = build(rough, Vector3D(2, 0, 2)); // the roots' split point
    EXPECT_GT(peaked->pool[peaked->firstRoot].error, 0.0f);
    EXPECT_EQ(peaked->pool[peaked->firstRoot].priority, 2147483648.0f);
    const auto level = build(flat, Vector3D(2, 0, 2));
    EXPECT_EQ(level->pool[level->firstRoot].priority, 0.0f);
    for (const Roam* roam : {peaked.get(), level.get()})
        for (std::size_t p = 0; p < roam->splitQueue.size(); ++p)
            EXPECT_TRUE(std::isfinite(roam->splitQueue.key(p)));
}

TEST(RoamOptimisation, aCameraPositionThatIsNotANumberCountsAsAMoveAndQueuesNoNaN) {
    const SyntheticHeightMap map = islandMap(65, 3);
    const auto roam = build(map, Vector3D(32, 60, 50));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    roam->update(cameraAt(Vector3D(nan, 60, 50)));
    EXPECT_TRUE(std::isnan(roam->cameraPosition.x));
    for (std::size_t p = 0; p < roam->splitQueue.size(); ++p)
        EXPECT_FALSE(std::isnan(roam->splitQueue.key(p)));
    for (const uint32_t t : roam->mergeQueue) EXPECT_FALSE(std::isnan(roam->pool[t].priority));
    RoamChecker checker;
    EXPECT_EQ(checker.check(*roam), "");
}
