#include "app/Vector3D.h"
#include "terrain/DEMHeightMap.h"

#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <cstdint>

// A surface with runs of eight and a remainder and flat patches, against the unit cross products
// of the quadrants W-S, S-E, E-N and N-W whose neighbours exist, summed in that order, to the bit.
TEST(Normals, everySampleFollowsTheQuadrantRuleBitForBit) {
    GridHeightMap map(29, 6, [](int r, int c) {
        const uint32_t h = (static_cast<uint32_t>(r) * 2654435761u ^ c * 40503u) % 977u;
        return c % 7 < 2 ? 3.0f : static_cast<float>(h) / 20.0f;
    });
    computeNormals(map);
    ASSERT_EQ(map.normals.size(), map.heights.size() * 3);
    const auto face = [](Vector3D p, Vector3D a, Vector3D b) {
        const Vector3D u = a - p, v = b - p;
        Vector3D n(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
        n.normalize();
        return n;
    };
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
    EXPECT_EQ(mismatches, 0);
}
