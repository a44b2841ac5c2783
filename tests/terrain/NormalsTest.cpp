#include "app/Vector3D.h"
#include "terrain/DEMHeightMap.h"

#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

// Surfaces that are not planes (runs of eight with a remainder, flat patches, no two heights
// alike) against the rule with vectors: the unit cross products of the quadrants W-S, S-E, E-N and
// N-W whose neighbours exist, summed in that order, to the last bit.
TEST(Normals, everySampleFollowsTheQuadrantRuleBitForBit) {
    const struct {
        int width, length;
        float (*height)(int r, int c);
    } surfaces[] = {
        {2, 2, [](int r, int c) { return float(r * c); }},
        {5, 4, [](int r, int c) { return float((r * 7 + c * c * 3) % 11) * 0.5f; }},
        {3, 6, [](int r, int c) { return float(r * r) - 1.5f * float(c) + float((r * c) % 3); }},
        {29, 6,
         [](int r, int c) {
             const uint32_t h = (static_cast<uint32_t>(r) * 2654435761u ^ c * 40503u) % 977u;
             return c % 7 < 2 ? 3.0f : static_cast<float>(h) / 20.0f;
         }},
        {20, 5, [](int r, int c) { return 7.0f * std::sin(1.3f * float(r) + 0.7f * float(c)); }},
    };
    const auto face = [](Vector3D p, Vector3D a, Vector3D b) {
        const Vector3D u = a - p, v = b - p;
        Vector3D n(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
        n.normalize();
        return n;
    };
    for (const auto& surface : surfaces) {
        GridHeightMap map(surface.width, surface.length, surface.height);
        computeNormals(map);
        ASSERT_EQ(map.normals.size(), map.heights.size() * 3);
        const auto at = [&](int r, int c) { return Vector3D(c, map.at(r, c), r); };
        int mismatches = 0;
        for (int r = 0; r < map.length; ++r)
            for (int c = 0; c < map.width; ++c) {
                const Vector3D p = at(r, c);
                const bool n = r > 0, s = r<map.length - 1, w = c> 0, e = c < map.width - 1;
                Vector3D sum(0, 0, 0); // 0 + a is a, to the bit
                if (w && s) sum = sum + face(p, at(r, c - 1), at(r + 1, c));
                if (s && e) sum = sum + face(p, at(r + 1, c), at(r, c + 1));
                if (e && n) sum = sum + face(p, at(r, c + 1), at(r - 1, c));
                if (n && w) sum = sum + face(p, at(r - 1, c), at(r, c - 1));
                sum.normalize();
                const float* got = &map.normals[(size_t(r) * map.width + c) * 3];
                mismatches += got[0] != sum.x || got[1] != sum.y || got[2] != sum.z;
            }
        EXPECT_EQ(mismatches, 0) << map.width << " x " << map.length;
        if (map.width == 2) { // the worked example: (-1, 1, -1) / sqrt(3) at (1, 1)
            const float* n = &map.normals[9];
            EXPECT_NEAR(n[0], -1 / std::sqrt(3.0), 1e-7);
            EXPECT_TRUE(n[0] == -n[1] && n[0] == n[2]);
        }
    }
}
