#include "Flights.h"
#include "RoamInvariants.h"

#include <gtest/gtest.h>

#include "roam/TriangleHeap.h"

#include <algorithm>
#include <memory>

namespace {

// Flies the renderer and the plain reading side by side and stops at the first difference.
void flyAgainstPlainReading(const HeightMap& map, uint64_t seed, int frames, int fullCheckEvery,
                            bool restless = false) {
    Flight flight(map, seed, restless);
    const Camera camera = cameraAt(flight.start());
    testing::internal::CaptureStderr();
    Roam roam(camera, map, nullptr);
    const int n = roam.gridSize;
    testing::internal::GetCapturedStderr();
    PlainRoam plain(camera.position, map, n);
    plain.settle(camera.position);
    RoamChecker checker;
    ASSERT_EQ(differences(roam, plain, true), "") << "after construction";
    ASSERT_EQ(checker.check(roam), "") << "after construction";
    // A smaller mesh keeps the flights quick; reaching it first takes a few hundred merges.
    roam.triangleTarget = plain.triangleTarget = 3000;

    for (int frame = 0; frame < frames; ++frame) {
        const FlightEvent event = flight.next();
        applyParameters(roam, event);
        applyParameters(plain, event);
        applyBudget(roam, &plain, event);
        roam.update(cameraAt(event.position));
        plain.update(event.position);
        const bool full = frame % fullCheckEvery == 0;
        ASSERT_EQ(differences(roam, plain, full), "") << "seed " << seed << ", frame " << frame;
        ASSERT_EQ(checker.check(roam), "") << "seed " << seed << ", frame " << frame;
    }
}

} // namespace

TEST(RoamFlight, matchesThePlainReadingOverRoughTerrain) {
    const SyntheticHeightMap map = noiseMap(129, 11);
    for (uint64_t seed : {1, 2}) flyAgainstPlainReading(map, seed, 400, 40);
}

TEST(RoamFlight, matchesThePlainReadingOverAnIslandWithFlatSea) {
    // Many equal priorities (the whole sea has error 0): ties decide the queues' order here.
    const SyntheticHeightMap map = islandMap(257, 3);
    flyAgainstPlainReading(map, 4, 500, 100);
}

TEST(RoamFlight, matchesThePlainReadingWhenStaleEntriesPileUp) {
    const SyntheticHeightMap map = islandMap(257, 9);
    for (uint64_t seed = 20; seed < 23; ++seed) flyAgainstPlainReading(map, seed, 600, 150, true);
}

TEST(RoamFlight, matchesThePlainReadingOverAFlatMap) {
    const SyntheticHeightMap map = flatMap(65, 65, 3.0f);
    flyAgainstPlainReading(map, 6, 300, 10);
}

TEST(RoamFlight, keepsItsInvariantsFlyingTheFullSizeIsland) {
    const SyntheticHeightMap map = islandMap();
    Flight flight(map, 8);
    testing::internal::CaptureStderr();
    Roam roam(cameraAt(flight.start()), map, nullptr);
    testing::internal::GetCapturedStderr();
    RoamChecker checker;
    ASSERT_EQ(checker.check(roam), "");
    for (int frame = 0; frame < 400; ++frame) {
        const FlightEvent event = flight.next();
        applyParameters(roam, event);
        applyBudget(roam, nullptr, event);
        roam.update(cameraAt(event.position));
        ASSERT_EQ(checker.check(roam), "") << "frame " << frame;
    }
}

// A diamond whose partner still holds a stale entry (the partner entered first, its entry went
// stale when a child split, and the other triangle entered when that child merged again) is
// common; re-prioritising the diamond in a rebuild changes the stale entry's key while it waits.
TEST(RoamFlight, rebuildOrdersStaleEntriesByTheirKeysAtEveryComparison) {
    const SyntheticHeightMap map = noiseMap(129, 17);
    Flight flight(map, 3);
    const Camera camera = cameraAt(flight.start());
    Roam roam(camera, map, nullptr);
    PlainRoam plain(camera.position, map, roam.gridSize);
    plain.settle(camera.position);
    const auto key = [&roam](uint32_t t) {
        const BinTriangle& x = roam.pool[t];
        return std::max(x.priority, roam.pool[x.baseNeighbour].priority);
    };
    const std::vector<uint32_t> queued = roam.mergeQueue;
    for (const uint32_t d : queued) {
        const uint32_t b = roam.pool[d].baseNeighbour;
        heapPush(roam.mergeQueue, b, [&](uint32_t x, uint32_t y) { return key(x) < key(y); });
        roam.pool[d].mergeState = Stale;
        roam.pool[b].mergeState = Queued;
        ++roam.staleMerges;
        plain.pushMerge(&plain.pool[b]);
        plain.pool[d].mergeState = PlainRoam::Stale;
        plain.pool[b].mergeState = PlainRoam::Queued;
        ++plain.staleMerges;
    }
    ASSERT_EQ(differences(roam, plain, false), "");
    // A long jump reorders the keys a lot.
    const Vector3D far(5.0f, 120.0f, 7.0f);
    roam.update(cameraAt(far));
    plain.update(far);
    ASSERT_EQ(differences(roam, plain, true), "");
}
