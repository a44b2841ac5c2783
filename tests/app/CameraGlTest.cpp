#include "app/Camera.h"

#include "support/GlContext.h"

#include <GL/glu.h>

namespace {

bool inside(const FrustumPlane planes[6], float x, float y, float z) {
    for (int i = 0; i < 6; ++i)
        if (planes[i].a * x + planes[i].b * y + planes[i].c * z + planes[i].d <= 0) return false;
    return true;
}

class CameraGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 1.5, 0.1, 2000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

} // namespace

TEST_F(CameraGl, planesFromARealViewClassifyPointsAroundTheCamera) {
    Camera camera(nullptr);
    camera.position = Vector3D(100, 50, 300);
    camera.applyView();
    camera.extractFrustum();
    const FrustumPlane* planes = camera.frustum;

    EXPECT_TRUE(inside(planes, 100, 50, 200));      // ahead
    EXPECT_TRUE(inside(planes, 100, 50, -1600));    // far ahead, inside the far plane
    EXPECT_FALSE(inside(planes, 100, 50, -1800));   // past the far plane
    EXPECT_FALSE(inside(planes, 100, 50, 400));     // behind
    EXPECT_FALSE(inside(planes, 100, 50, 299.95f)); // before the near plane
    EXPECT_FALSE(inside(planes, 400, 50, 200));     // far to the right
    EXPECT_FALSE(inside(planes, -200, 50, 200));    // far to the left
    EXPECT_FALSE(inside(planes, 100, 200, 200));    // above the top plane
    EXPECT_FALSE(inside(planes, 100, -100, 200));   // below the bottom plane

    // Each plane is normalised, so its expression is a distance: the point 100 ahead lies
    // 100 - 0.1 inside the near plane and 2000 - 100 inside the far plane.
    EXPECT_NEAR(planes[FrustumNear].a * 100 + planes[FrustumNear].b * 50 +
                    planes[FrustumNear].c * 200 + planes[FrustumNear].d,
                99.9, 0.05);
    EXPECT_NEAR(planes[FrustumFar].a * 100 + planes[FrustumFar].b * 50 +
                    planes[FrustumFar].c * 200 + planes[FrustumFar].d,
                1900, 1.0);
}

TEST_F(CameraGl, planesFollowATurnedCamera) {
    Camera camera(nullptr);
    for (int i = 0; i < 79; ++i) camera.turnLeft(1.0f); // about 90 degrees: now looking along -x
    camera.applyView();
    camera.extractFrustum();
    EXPECT_TRUE(inside(camera.frustum, -100, 0, 0));
    EXPECT_FALSE(inside(camera.frustum, 0, 0, -100));
    EXPECT_FALSE(inside(camera.frustum, 100, 0, 0));
    EXPECT_EQ(drainGlErrors().size(), 0u);
}
