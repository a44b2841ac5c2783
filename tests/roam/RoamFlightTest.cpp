#include "RoamInvariants.h"

#include "app/Camera.h"
#include "terrain/DEMHeightMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// The camera flies, halts and jumps while target and budget change; each update checked, hashed.
void fly(const HeightMap& map, unsigned seed, int frames, unsigned target, uint64_t& sequence) {
    std::mt19937 random(seed);
    const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    Camera camera(nullptr);
    camera.position = startPosition(map, Roam::meshSide(map.width, map.length));
    testing::internal::CaptureStderr(); // the size warnings
    Roam roam(camera, map, nullptr);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(checkRoam(roam), "");
    sequence = hashRoamState(sequence, roam);
    roam.triangleTarget = target; // small, for speed
    roam.updatesPerFrame = 10000;
    roam.restartOptimisation();
    float heading = 0;
    for (int frame = 0; frame < frames; ++frame) {
        Vector3D& p = camera.position;
        const int roll = below(100);
        if (roll < 2) {
            p.x = float(below(map.width)), p.z = float(below(map.length));
        } else if (roll < 70) {
            heading += static_cast<float>(below(9) - 4) * 0.1f;
            p.x = std::clamp(p.x + 3 * std::sin(heading), 0.0f, map.width - 1.0f);
            p.z = std::clamp(p.z + 3 * std::cos(heading), 0.0f, map.length - 1.0f);
            p.y += static_cast<float>(below(7) - 3);
        }
        p.y = std::max(p.y, map.at(static_cast<int>(p.z), static_cast<int>(p.x)) + 5.0f);
        const int change = below(100), times = below(40) + 1;
        for (int i = 0; i < times; ++i) {
            if (change < 5) roam.raiseTriangleTarget();
            if (change >= 5 && change < 10) roam.lowerTriangleTarget();
            if (change == 10 && i < 8) roam.raiseUpdatesPerFrame();
            if (change == 11 && i < 8) roam.lowerUpdatesPerFrame();
        }
        roam.update(camera);
        ASSERT_EQ(checkRoam(roam), "") << "seed " << seed << ", frame " << frame;
        sequence = hashRoamState(sequence, roam);
        if (frame == 0) roam.updatesPerFrame = 10;
    }
}

} // namespace

// The island, then whole steps beside a flat sea (ties the queues' sift rules decide), a portion.
TEST(RoamFlight, keepsEveryInvariantOverTheIslandAndSteppedTerrain) {
    testing::internal::CaptureStdout(); // the reader's header report
    const DEMHeightMap island(TERRAINS_SOURCE_DIR "/data/hawaii-c", false);
    testing::internal::GetCapturedStdout();
    uint64_t sequence = 0;
    for (const unsigned seed : {1u, 2u}) fly(island, seed, 400, 4000, sequence);
    EXPECT_EQ(sequence, 0x96aafa7659b6874full);
    const GridHeightMap steps(140, 129, [](int row, int column) {
        uint32_t h = static_cast<uint32_t>(row) * 374761393u + column * 668265263u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return column < 40 ? 0.0f : static_cast<float>(h >> 29) * 5.0f;
    });
    sequence = 14695981039346656037ull;
    for (const unsigned seed : {3u, 4u, 5u}) fly(steps, seed, 600, 1500, sequence);
    EXPECT_EQ(sequence, 0x202772aba7d86a6eull);
}
