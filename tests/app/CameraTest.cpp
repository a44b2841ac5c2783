#include "app/Camera.h"
#include "app/FrameLoop.h"
#include "app/Input.h"
#include "app/Scene.h"

#include "support/TestHeightMaps.h"

#include <GL/glut.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A 9 x 7 map, 10 units high everywhere but row 2, column 3, which stands at 40.
GridHeightMap smallMap() {
    return GridHeightMap(9, 7, [](int r, int c) { return r == 2 && c == 3 ? 40.0f : 10.0f; });
}

float nextUp(float v) {
    return std::nextafter(v, std::numeric_limits<float>::infinity());
}

void expectPosition(const Camera& camera, float x, float y, float z) {
    EXPECT_EQ(camera.position.x, x);
    EXPECT_EQ(camera.position.y, y);
    EXPECT_EQ(camera.position.z, z);
}

} // namespace

TEST(Camera, startsAtTheOriginLookingAlongMinusZ) {
    const Camera camera(nullptr);
    expectPosition(camera, 0, 0, 0);
    EXPECT_EQ(camera.direction.z, -1.0f);
    EXPECT_EQ(camera.speed, 2.0f);
}

TEST(Camera, mapEdgeIsAcceptedAndJustPastItRefused) {
    const GridHeightMap map = smallMap();
    Camera camera(&map);
    camera.setPosition(8, 20, 6); // x = W - 1, z = L - 1
    expectPosition(camera, 8, 20, 6);
    camera.setPosition(nextUp(8), 20, 3);
    camera.setPosition(4, 20, nextUp(6));
    camera.setPosition(-0.0001f, 20, 3);
    camera.setPosition(4, 20, -0.0001f);
    expectPosition(camera, 8, 20, 6);
}

TEST(Camera, groundClearanceMustExceedFiveUnitsAtTheTruncatedCorner) {
    const GridHeightMap map = smallMap();
    Camera camera(&map);
    camera.setPosition(1, 30, 1);
    camera.setPosition(3.9f, 45.0f, 2.9f); // samples row 2, column 3: exactly 5 above 40
    expectPosition(camera, 1, 30, 1);
    camera.setPosition(3.9f, nextUp(45.0f), 2.9f);
    expectPosition(camera, 3.9f, nextUp(45.0f), 2.9f);
    camera.setPosition(4.0f, 15.5f, 2.0f); // the next column is low again: no interpolation
    expectPosition(camera, 4.0f, 15.5f, 2.0f);
}

TEST(Camera, withoutAHeightMapEveryPositionIsAccepted) {
    Camera camera(nullptr);
    camera.setPosition(-1e6f, -50, 1e6f);
    expectPosition(camera, -1e6f, -50, 1e6f);
}

TEST(Camera, refusedMoveLeavesThePositionUnchanged) {
    const GridHeightMap map = smallMap();
    Camera camera(&map);
    camera.setPosition(4, 16, 1);
    camera.moveDown(); // 14 is within 5 of the ground at 10
    expectPosition(camera, 4, 16, 1);
    camera.moveForward(); // z = -1 is off the map
    expectPosition(camera, 4, 16, 1);
    camera.moveBackward();
    expectPosition(camera, 4, 16, 3);
    camera.moveUp();
    expectPosition(camera, 4, 18, 3);
}

TEST(Camera, worldStepsFromTheStartDirection) {
    Camera camera(nullptr);
    camera.moveForward();
    expectPosition(camera, 0, 0, -2);
    camera.strafeLeft(); // looking along -z, left is -x
    expectPosition(camera, -2, 0, -2);
    camera.strafeRight();
    camera.strafeRight();
    expectPosition(camera, 2, 0, -2);
}

TEST(Camera, turnLeftFromTheStartDirectionSwingsTowardMinusX) {
    Camera camera(nullptr);
    camera.turnLeft(1.0f);
    EXPECT_NEAR(camera.direction.x, -0.019998667, 1e-6);
    EXPECT_EQ(camera.direction.y, 0.0f);
    EXPECT_NEAR(camera.direction.z, -0.99980003, 1e-6);
    camera.turnRight(1.0f);
    EXPECT_NEAR(camera.direction.x, 0.0, 1e-5);
    EXPECT_NEAR(camera.direction.z, -1.0, 1e-5);
}

TEST(Camera, turningKeepsTheHorizontalLengthAtOne) {
    Camera camera(nullptr);
    for (int i = 0; i < 5000; ++i) camera.turnLeft(1.7f);
    const double length = std::hypot(camera.direction.x, camera.direction.z);
    EXPECT_NEAR(length, 1.0, 1e-5);
}

TEST(Camera, repeatedLookUpSettlesNearStraightUpWithoutPassingIt) {
    Camera camera(nullptr);
    for (int i = 0; i < 200; ++i) camera.lookUp(1.0f);
    EXPECT_GT(camera.direction.y, 0.999f);
    EXPECT_LE(camera.direction.y, 1.0f);
    // The horizontal part is untouched: the line of sight stands 45 degrees above the horizon.
    EXPECT_EQ(camera.direction.z, -1.0f);
    for (int i = 0; i < 300; ++i) camera.lookDown(1.0f);
    EXPECT_LT(camera.direction.y, -0.999f);
}

TEST(Camera, lookUpOnceRaisesTheCosineByTheStep) {
    Camera camera(nullptr);
    camera.lookUp(1.0f);
    EXPECT_NEAR(camera.direction.y, std::cos(M_PI / 2 - 0.02), 1e-6);
}

TEST(Camera, identityMatricesGiveTheUnitCubePlanes) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    FrustumPlane planes[6];
    extractFrustumPlanes(identity, identity, planes);
    const FrustumPlane expected[6] = {{-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1},
                                      {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(planes[i].a, expected[i].a) << i;
        EXPECT_EQ(planes[i].b, expected[i].b) << i;
        EXPECT_EQ(planes[i].c, expected[i].c) << i;
        EXPECT_EQ(planes[i].d, expected[i].d) << i;
    }
}

TEST(Camera, startPositionUsesIntegerHalvesAndQuarters) {
    const GridHeightMap map(5, 7, [](int r, int c) { return float(r * 10 + c); });
    const Vector3D start = startPosition(map);
    EXPECT_EQ(start.x, 2.0f);
    EXPECT_EQ(start.z, 5.0f);
    EXPECT_EQ(start.y, 152.0f);
}

namespace {

class HeldKeys : public ::testing::Test {
protected:
    void SetUp() override {
        moveState = turnState = tiltState = strafeState = climbState = 0;
        camera = &view;
    }
    void TearDown() override { camera = nullptr; }
    Camera view{nullptr};
};

} // namespace

TEST_F(HeldKeys, holdingWMovesOneStepPerIdleCallUntilReleased) {
    keyboard('w', 0, 0);
    for (int i = 0; i < 3; ++i) applyHeldKeyStates();
    expectPosition(view, 0, 0, -6);
    keyboardUp('W', 0, 0);
    applyHeldKeyStates();
    expectPosition(view, 0, 0, -6);
}

TEST_F(HeldKeys, wThenSThenReleasingWStopsTheMotion) {
    keyboard('w', 0, 0);
    applyHeldKeyStates();
    keyboard('s', 0, 0);
    applyHeldKeyStates();
    expectPosition(view, 0, 0, 0);
    keyboardUp('w', 0, 0);
    applyHeldKeyStates();
    expectPosition(view, 0, 0, 0);
    EXPECT_FALSE(cameraStatesActive());
}

TEST_F(HeldKeys, arrowsTurnAndTiltByTheUnitAmount) {
    specialKey(GLUT_KEY_LEFT, 0, 0);
    specialKey(GLUT_KEY_UP, 0, 0);
    applyHeldKeyStates();
    Camera expected(nullptr);
    expected.turnLeft(1.0f);
    expected.lookUp(1.0f);
    EXPECT_EQ(view.direction.x, expected.direction.x);
    EXPECT_EQ(view.direction.y, expected.direction.y);
    EXPECT_EQ(view.direction.z, expected.direction.z);
    specialKeyUp(GLUT_KEY_RIGHT, 0, 0);
    specialKeyUp(GLUT_KEY_DOWN, 0, 0);
    EXPECT_FALSE(cameraStatesActive());
}

TEST_F(HeldKeys, dragTurnsThenTiltsByAFifthOfAUnitPerPixel) {
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    frustumDirty = false;
    mouseMotion(110, 95); // 10 right, 5 up
    Camera expected(nullptr);
    expected.turnRight(2.0f);
    expected.lookUp(1.0f);
    EXPECT_EQ(view.direction.x, expected.direction.x);
    EXPECT_EQ(view.direction.y, expected.direction.y);
    EXPECT_EQ(view.direction.z, expected.direction.z);
    EXPECT_TRUE(frustumDirty);
    mouseMotion(104, 99); // 6 left, 4 down
    expected.turnLeft(static_cast<float>(0.2 * 6));
    expected.lookDown(static_cast<float>(0.2 * 4));
    EXPECT_EQ(view.direction.x, expected.direction.x);
    EXPECT_EQ(view.direction.y, expected.direction.y);
}
