#include "app/Vector3D.h"
#include "terrain/DEMHeightMap.h"

#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using Vec = std::array<double, 3>;

Vec unit(Vec v) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}

// The normal of sample (r, c) from its definition, in double precision: the unit sum of the unit
// normals (A - P) x (B - P) of the quadrants W-S, S-E, E-N and N-W whose two neighbours exist.
Vec expectedNormal(const HeightMap& map, int r, int c) {
    const auto point = [&](int row, int column) -> Vec {
        return {double(column), double(map.at(row, column)), double(row)};
    };
    const auto inside = [&](int row, int column) {
        return row >= 0 && row < map.length && column >= 0 && column < map.width;
    };
    const Vec p = point(r, c);
    const int west[2] = {0, -1}, south[2] = {1, 0}, east[2] = {0, 1}, north[2] = {-1, 0};
    const int* const quadrants[4][2] = {{west, south}, {south, east}, {east, north}, {north, west}};
    Vec sum = {0, 0, 0};
    for (const auto& q : quadrants) {
        if (!inside(r + q[0][0], c + q[0][1]) || !inside(r + q[1][0], c + q[1][1])) continue;
        const Vec a = point(r + q[0][0], c + q[0][1]), b = point(r + q[1][0], c + q[1][1]);
        const Vec u = {a[0] - p[0], a[1] - p[1], a[2] - p[2]};
        const Vec v = {b[0] - p[0], b[1] - p[1], b[2] - p[2]};
        const Vec face =
            unit({u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]});
        for (int i = 0; i < 3; ++i) sum[i] += face[i];
    }
    return unit(sum);
}

} // namespace

// Surfaces that are not planes, with every neighbour of every sample at a different height: a
// neighbour taken from the wrong side, a quadrant left out or one counted twice moves a normal.
TEST(Normals, everySampleOfBumpySurfacesFollowsItsQuadrants) {
    const struct {
        int width, length;
        float (*height)(int r, int c);
    } surfaces[] = {
        {2, 2, [](int r, int c) { return float(r * c); }},
        {5, 4, [](int r, int c) { return float((r * 7 + c * c * 3) % 11) * 0.5f; }},
        {3, 6, [](int r, int c) { return float(r * r) - 1.5f * float(c) + float((r * c) % 3); }},
    };
    // The reference against the worked 2 x 2 example: (-1, 1, -1) / sqrt(3) at (1, 1).
    const Vec corner = expectedNormal(GridHeightMap(2, 2, surfaces[0].height), 1, 1);
    EXPECT_NEAR(corner[0], -1 / std::sqrt(3.0), 1e-12);
    EXPECT_TRUE(corner[0] == -corner[1] && corner[0] == corner[2]);
    for (const auto& s : surfaces) {
        GridHeightMap map(s.width, s.length, s.height);
        computeNormals(map);
        ASSERT_EQ(map.normals.size(), size_t(s.width) * size_t(s.length) * 3);
        for (int r = 0; r < s.length; ++r)
            for (int c = 0; c < s.width; ++c) {
                const Vec expected = expectedNormal(map, r, c);
                const float* n = &map.normals[(size_t(r) * size_t(s.width) + size_t(c)) * 3];
                for (int i = 0; i < 3; ++i)
                    EXPECT_NEAR(n[i], expected[i], 2e-6)
                        << s.width << "x" << s.length << " sample (" << r << ", " << c << ")";
            }
    }
}

// The normals of rough ground with flat patches, wide enough for runs of eight and a remainder,
// equal to the last bit to the rule written out with vectors: each quadrant's cross product
// scaled to unit length, summed in the rule's order, scaled again. (Two faces add alike in
// either order; three or four only in the rule's.)
TEST(DEMNormals, roundAsTheQuadrantRuleInItsOrder) {
    const GridHeightMap map(29, 6, [](int r, int c) {
        const uint32_t h = (static_cast<uint32_t>(r) * 2654435761u ^ c * 40503u) % 977u;
        return c % 7 < 2 ? 3.0f : static_cast<float>(h) / 20.0f;
    });
    GridHeightMap computed = map;
    computeNormals(computed);
    const auto at = [&](int r, int c) { return Vector3D(c, map.at(r, c), r); };
    const auto face = [](Vector3D p, Vector3D a, Vector3D b) {
        const Vector3D u = a - p, v = b - p;
        Vector3D n(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
        n.normalize();
        return n;
    };
    int mismatches = 0;
    for (int r = 0; r < map.length; ++r)
        for (int c = 0; c < map.width; ++c) {
            const Vector3D p = at(r, c);
            const bool n = r > 0, s = r<map.length - 1, w = c> 0, e = c < map.width - 1;
            std::vector<Vector3D> faces; // f(W, S), f(S, E), f(E, N), f(N, W) where both exist
            if (w && s) faces.push_back(face(p, at(r, c - 1), at(r + 1, c)));
            if (s && e) faces.push_back(face(p, at(r + 1, c), at(r, c + 1)));
            if (e && n) faces.push_back(face(p, at(r, c + 1), at(r - 1, c)));
            if (n && w) faces.push_back(face(p, at(r - 1, c), at(r, c - 1)));
            Vector3D sum = faces[0];
            for (size_t i = 1; i < faces.size(); ++i) sum = sum + faces[i];
            sum.normalize();
            const float* got = &computed.normals[(size_t(r) * map.width + c) * 3];
            mismatches += got[0] != sum.x || got[1] != sum.y || got[2] != sum.z;
        }
    EXPECT_EQ(mismatches, 0);
}
