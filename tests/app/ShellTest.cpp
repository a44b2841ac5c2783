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

void expectSame(const Vector3D& got, const Vector3D& expected, double tolerance = 0, int row = 0) {
    EXPECT_NEAR(got.x, expected.x, tolerance) << "row " << row;
    EXPECT_NEAR(got.y, expected.y, tolerance) << "row " << row;
    EXPECT_NEAR(got.z, expected.z, tolerance) << "row " << row;
}

void (Camera::*const moves[])() = {&Camera::moveForward, &Camera::moveBackward, &Camera::strafeLeft,
                                   &Camera::strafeRight, &Camera::moveUp,       &Camera::moveDown};
void (Camera::*const turns[])(float) = {&Camera::turnLeft, &Camera::turnRight, &Camera::lookUp,
                                        &Camera::lookDown};

} // namespace

TEST(Overlay, priorityColourAndFrameRateWindow) {
    EXPECT_TRUE(priorityColour(0.5f, 0.25f).r == 1 && priorityColour(0.25f, 0.25f).g == 1 &&
                priorityColour(0.1f, 2147483648.0f).b == 1);
    frameCount = 0, lastFpsTime = 0, fps = 0;
    for (int t = 0; t <= 1000; t += 20) EXPECT_EQ(updateFpsAt(t), 0.0f); // 51 frames, 1000 ms
    EXPECT_FLOAT_EQ(updateFpsAt(1001), static_cast<float>(52 / 1.001));  // strictly over a second
    EXPECT_FLOAT_EQ(updateFpsAt(1500), static_cast<float>(52 / 1.001));  // held until the next
}

// The terrain's normals are scaled by it.
TEST(Vector3D, normalizeScalesToUnitLength) {
    Vector3D n(-2, 1, 2);
    n.normalize();
    expectSame(n, {-2 / 3.0f, 1 / 3.0f, 2 / 3.0f}, 1e-7);
}

TEST(Camera, groundTestAcceptsTheEdgeAndRequiresMoreThanFiveUnitsAtTheTruncatedCorner) {
    const GridHeightMap map(9, 7, [](int r, int c) { return r == 2 && c == 3 ? 40.0f : 10.0f; });
    Camera camera(&map);
    for (const Vector3D p :
         {Vector3D(8, 20, 6), Vector3D(0, 20, 0), Vector3D(3.9f, nextUp(45), 2.9f)})
        EXPECT_TRUE(camera.isValidPosition(p)) << p.x << " " << p.y << " " << p.z;
    for (const Vector3D p : {Vector3D(nextUp(8), 20, 3), Vector3D(4, 20, nextUp(6)),
                             Vector3D(-0.001f, 20, 3), Vector3D(3.9f, 45, 2.9f)})
        EXPECT_FALSE(camera.isValidPosition(p)) << p.x << " " << p.y << " " << p.z;
    camera.setPosition(4, 16, 1);
    camera.moveDown();    // 14 is within 5 of the ground
    camera.moveForward(); // z = -1 is off the map
    expectSame(camera.position, {4, 16, 1});
}

// Turns keep y and tilts keep x and z; the angle's sign follows x, the step follows the amount.
TEST(Camera, turnsAndTiltsStepTheirAngleByTheAmount) {
    const float amounts[] = {2.5f, 1, 2.5f, 2.5f};
    // The turn right starts 2 long horizontally: the new sine and cosine are divided by it.
    const Vector3D from[] = {
        {-0.6f, 0.3f, -0.8f}, {1.2f, -0.3f, 1.6f}, {0.6f, 0, -0.8f}, {0.6f, 0.5f, -0.8f}};
    const Vector3D to[] = {{-0.6392335f, 0.3f, -0.7690127f},
                           {0.2919405f, -0.3f, 0.4059196f},
                           {0.6f, 0.04997917f, -0.8f},
                           {0.6f, 0.4560919f, -0.8f}};
    for (int i = 0; i < 4; ++i) {
        Camera camera(nullptr);
        camera.direction = from[i];
        (camera.*turns[i])(amounts[i]);
        expectSame(camera.direction, to[i], 1e-6, i);
    }
    Camera camera(nullptr);
    for (int i = 0; i < 200; ++i) camera.lookUp(1.0f);
    EXPECT_TRUE(camera.direction.y > 0.999f && camera.direction.y <= 1.0f); // settles straight up
}

// Dense matrices, so every entry of each reaches some plane through its own term of the product.
TEST(Camera, frustumPlanesOfProjectionTimesModelview) {
    const float projection[16] = {0.5f,  0.375f, 0.25f, 0.125f, 0.125f, 1,      -0.125f, 0.25f,
                                  0.25f, -0.5f,  -2,    -1,     0.25f,  0.125f, -3,      0.5f};
    const float modelview[16] = {0.8f, 0.125f, -0.6f, 0.25f,  0.25f, 0.6f, 0.75f, -0.125f,
                                 0.6f, -0.8f,  0.5f,  0.375f, 1,     2,    -5,    1};
    // Right, left, bottom, top, far, near.
    const float planes[24] = {0.3746381f,  -0.7005068f,  -0.6074015f, 4.522259f,   0.9739713f,
                              -0.2261464f, -0.01541907f, 4.831309f,   0.7881749f,  -0.1603844f,
                              -0.5941861f, 5.437796f,    0.1000459f,  -0.9348042f, 0.3407814f,
                              1.125517f,   0.1440648f,   0.3287113f,  0.9333778f,  -0.568143f,
                              0.4557379f,  -0.5407708f,  -0.7070148f, 4.012787f};
    FrustumPlane p[6];
    extractFrustumPlanes(projection, modelview, p);
    for (int i = 0; i < 6; ++i) {
        const float got[4] = {p[i].a, p[i].b, p[i].c, p[i].d};
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(got[k], planes[4 * i + k], 1e-5) << i << k;
    }
}

// Each held key, pressed, applied once and released, steps the camera once along its own axes.
TEST(Input, everyCameraKeyStepsAlongItsOwnAxes) {
    const int keys[] = {
        'w', 'S', 'a', 'D', 'R', 'f', GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_UP, GLUT_KEY_DOWN};
    Camera* const sceneCamera = camera; // the scene's, when another test has built it
    // No zero component and 2 long horizontally: every axis and the strafe's scaling show.
    const Vector3D moved[] = {{12.4f, 21, 26.8f}, {7.6f, 19, 33.2f}, {8.4f, 20, 28.8f},
                              {11.6f, 20, 31.2f}, {10, 22, 30},      {10, 18, 30}};
    for (int i = 0; i < 10; ++i) {
        Camera view(nullptr), expected(nullptr); // no map: every position is accepted
        view.position = Vector3D(10, 20, 30);
        view.direction = expected.direction = Vector3D(1.2f, 0.5f, -1.6f);
        camera = &view;
        i < 6 ? keyboard(keys[i], 0, 0) : specialKey(keys[i], 0, 0);
        applyHeldKeyStates();
        i < 6 ? keyboardUp(keys[i], 0, 0) : specialKeyUp(keys[i], 0, 0);
        applyHeldKeyStates();
        if (i >= 6) (expected.*turns[i - 6])(1);
        expectSame(view.position, i < 6 ? moved[i] : Vector3D(10, 20, 30), 2e-6, i);
        expectSame(view.direction, expected.direction, 0, i);
    }
    // The opposite key takes the pair over; releasing either key of the pair stops it.
    Camera view(nullptr);
    camera = &view;
    keyboard('w', 0, 0);
    keyboard('s', 0, 0);
    applyHeldKeyStates();
    keyboardUp('W', 0, 0);
    applyHeldKeyStates();
    expectSame(view.position, {0, 0, 2});

    // A drag turns 0.2 a pixel across, then tilts 0.2 a pixel up; a release keeps the anchor.
    // Per drag: pixels across and down, then the turn left and the tilt up (< 0: the other way).
    const float drags[4][4] = {{10, -5, -2, 1}, {-5, 10, 1, -2}, {1, 0, -0.2f, 0}, {0, 0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        const int d[2] = {int(drags[i][0]), int(drags[i][1])};
        const float turn = drags[i][2], tilt = drags[i][3];
        Camera dragged(nullptr), expected(nullptr);
        camera = &dragged;
        frustumDirty = false;
        mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
        mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 50, 50);
        mouseMotion(100 + d[0], 100 + d[1]);
        if (turn) turn > 0 ? expected.turnLeft(turn) : expected.turnRight(-turn);
        if (tilt) tilt > 0 ? expected.lookUp(tilt) : expected.lookDown(-tilt);
        expectSame(dragged.direction, expected.direction, 0, i);
        EXPECT_EQ(frustumDirty, i != 3) << i;
        EXPECT_TRUE(lastMouseX == 100 + d[0] && lastMouseY == 100 + d[1]);
    }
    camera = sceneCamera;
}

// A step's usual size shows through the tuning keys; here, where it stops.
TEST(Input, parameterStepsStopAtTheirLimits) {
    EXPECT_TRUE(stepUnitParameter(0.9995f, 1) == 1.0f && stepUnitParameter(0.0055f, -1) == 0.005f);
    EXPECT_TRUE(stepRepeatParameter(0.05f, -1) == 0.01f && stepRepeatParameter(0.03f, -1) == 0.01f);
}
