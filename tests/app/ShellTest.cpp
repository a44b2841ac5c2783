#include "app/Camera.h"
#include "app/FrameLoop.h"
#include "app/Input.h"
#include "app/Overlay.h"
#include "app/Scene.h"

#include "support/TestHeightMaps.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

float nextUp(float v) {
    return std::nextafter(v, std::numeric_limits<float>::infinity());
}

void expectAt(const Camera& camera, float x, float y, float z) {
    EXPECT_EQ(camera.position.x, x);
    EXPECT_EQ(camera.position.y, y);
    EXPECT_EQ(camera.position.z, z);
}

} // namespace

TEST(Overlay, priorityColourAndFrameRateWindow) {
    EXPECT_EQ(priorityColour(0.5f, 0.25f).r, 1.0f);
    EXPECT_EQ(priorityColour(0.25f, 0.25f).g, 1.0f);
    EXPECT_EQ(priorityColour(0.1f, 2147483648.0f).b, 1.0f);
    frameCount = 0, lastFpsTime = 0, fps = 0;
    for (int t = 0; t <= 1000; t += 20) EXPECT_EQ(updateFpsAt(t), 0.0f); // 51 frames, 1000 ms
    EXPECT_FLOAT_EQ(updateFpsAt(1001), static_cast<float>(52 / 1.001));  // strictly over a second
    EXPECT_FLOAT_EQ(updateFpsAt(1500), static_cast<float>(52 / 1.001));  // held until the next
}

TEST(Camera, groundTestAcceptsTheEdgeAndRequiresMoreThanFiveUnitsAtTheTruncatedCorner) {
    const GridHeightMap map(9, 7, [](int r, int c) { return r == 2 && c == 3 ? 40.0f : 10.0f; });
    Camera camera(&map);
    camera.setPosition(8, 20, 6); // x = W - 1, z = L - 1
    expectAt(camera, 8, 20, 6);
    for (const Vector3D refused : {Vector3D(nextUp(8), 20, 3), Vector3D(4, 20, nextUp(6)),
                                   Vector3D(-0.001f, 20, 3), Vector3D(3.9f, 45, 2.9f)})
        camera.setPosition(refused.x, refused.y, refused.z);
    expectAt(camera, 8, 20, 6);
    camera.setPosition(3.9f, nextUp(45), 2.9f);
    expectAt(camera, 3.9f, nextUp(45), 2.9f);
    camera.setPosition(4, 16, 1);
    camera.moveDown();    // 14 is within 5 of the ground
    camera.moveForward(); // z = -1 is off the map
    expectAt(camera, 4, 16, 1);
}

TEST(Camera, stepsAndTurnsFromTheStartDirection) {
    Camera camera(nullptr); // no map: every position is accepted
    camera.moveForward();
    camera.strafeLeft(); // looking along -z, left is -x
    expectAt(camera, -2, 0, -2);
    camera.turnLeft(1.0f);
    EXPECT_NEAR(camera.direction.x, -0.0199987, 1e-6);
    EXPECT_NEAR(camera.direction.z, -0.9998, 1e-6);
    for (int i = 0; i < 200; ++i) camera.lookUp(1.0f);
    EXPECT_GT(camera.direction.y, 0.999f); // settles near straight up: 45 degrees above the horizon
    EXPECT_LE(camera.direction.y, 1.0f);
}

TEST(Camera, identityMatricesGiveTheUnitCubePlanes) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    FrustumPlane p[6];
    extractFrustumPlanes(identity, identity, p);
    EXPECT_TRUE(p[0].a == -1 && p[1].a == 1 && p[2].b == 1 && p[3].b == -1 && p[4].c == -1 &&
                p[5].c == 1);
    for (const FrustumPlane& plane : p) EXPECT_EQ(plane.d, 1.0f);
}

TEST(Input, heldPairsAndTheDrag) {
    Camera view(nullptr);
    Camera* const sceneCamera = camera; // the scene's, when another test has built it
    camera = &view;
    keyboard('w', 0, 0);
    applyHeldKeyStates();
    keyboard('S', 0, 0); // the opposite key reverses the pair
    applyHeldKeyStates();
    keyboardUp('w', 0, 0); // releasing either key of the pair stops it
    applyHeldKeyStates();
    expectAt(view, 0, 0, 0);
    keyboard(':', 0, 0);
    EXPECT_EQ(triplanarCutoffState, -1);
    keyboardUp('P', 0, 0);
    EXPECT_EQ(triplanarCutoffState, 0);

    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    mouseMotion(110, 95); // 10 right, 5 up: turn right by 2, then look up by 1
    Camera expected(nullptr);
    expected.turnRight(2.0f);
    expected.lookUp(1.0f);
    EXPECT_TRUE(view.direction.x == expected.direction.x &&
                view.direction.y == expected.direction.y);
    EXPECT_TRUE(frustumDirty);
    camera = sceneCamera;
}
