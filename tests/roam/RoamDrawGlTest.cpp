#include "roam/Roam.h"

#include "app/Camera.h"
#include "support/GlContext.h"
#include "support/TestHeightMaps.h"
#include "texturing/TexturingAlgorithm.h"

#include <GL/glu.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

// Records x, z and corner of every vertex sent, and whether any came outside enable/disable.
struct RecordingTexturing : TexturingAlgorithm {
    std::vector<int> calls;
    bool enabled = false, outside = false;
    void texCoord(int x, int z, int corner) override {
        outside |= !enabled;
        calls.insert(calls.end(), {x, z, corner});
    }
    void enable() override { enabled = true; }
    void disable() override { enabled = false; }
};

using RoamDrawGl = GlTest;

} // namespace

// Looking off the map's near edge: culling sends far fewer vertices, drops none with a corner in
// view, and every vertex comes between enable and disable.
TEST_F(RoamDrawGl, cullingSkipsWhatTheCameraLooksAwayFrom) {
    const GridHeightMap map(257, 257, [](int row, int column) {
        return 40.0f + 30.0f * std::sin(row / 19.0f) * std::cos(column / 23.0f);
    });
    RecordingTexturing texturing;
    Camera away(nullptr); // the program's projection
    away.position = Vector3D(128, 70, 200), away.direction = Vector3D(0, -0.5f, 1);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 1.5, 0.1, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    away.applyView();
    away.extractFrustum();
    Roam roam(away, map, &texturing);
    roam.draw(away);
    ASSERT_EQ(texturing.calls.size(), 9u * roam.triangleCount); // without culling, every leaf
    const std::vector<int> all = texturing.calls;

    texturing.calls.clear();
    roam.cullingEnabled = true;
    roam.draw(away);
    EXPECT_LT(texturing.calls.size(), all.size() / 4);

    const auto inView = [&](int x, int z) {
        for (const FrustumPlane& p : away.frustum)
            if (p.a * x + p.b * map.at(z, x) + p.c * z + p.d < 0.01f) return false;
        return true;
    };
    std::set<std::vector<int>> drawn;
    for (std::size_t i = 0; i < texturing.calls.size(); i += 9)
        drawn.insert({texturing.calls.begin() + i, texturing.calls.begin() + i + 9});
    std::size_t visible = 0;
    for (std::size_t i = 0; i < all.size(); i += 9)
        if (inView(all[i], all[i + 1]) || inView(all[i + 3], all[i + 4]) ||
            inView(all[i + 6], all[i + 7])) {
            ++visible;
            EXPECT_TRUE(drawn.count({all.begin() + i, all.begin() + i + 9})) << "culled in view";
        }
    EXPECT_TRUE(visible > 0 && !texturing.outside);
    glFinish(); // note: rasterised now; at exit llvmpipe can no longer compile its shaders
    EXPECT_TRUE(drainGlErrors().empty());
}
