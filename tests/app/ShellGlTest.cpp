#include "app/Camera.h"
#include "app/FrameLoop.h"
#include "app/Input.h"
#include "app/Overlay.h"
#include "app/Scene.h"
#include "roam/Roam.h"
#include "terrain/HeightMap.h"
#include "texturing/ShaderTexturingAlgorithm.h"

#include "support/GlContext.h"

#include <GL/glut.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// The whole scene, built once as start-up builds it.
class ShellGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ensureScene();
        drainGlErrors();
        reshape(900, 600);
    }
};

std::string displayCapturingErrors() {
    testing::internal::CaptureStderr();
    display();
    return testing::internal::GetCapturedStderr();
}

} // namespace

TEST_F(ShellGl, startUpBuildsTheSceneWithTheShadersInForce) {
    EXPECT_TRUE(renderer->texturing == shaderAlgorithm && currentAlgorithm == shaderAlgorithm);
    EXPECT_EQ(shaderAlgorithm->Twidth, renderer->gridSize - 1);
    EXPECT_TRUE(heightMap->hasNormals() && shaderAlgorithm->normalMapTexture);
    EXPECT_TRUE(camera->position.x == 600 && camera->position.z == 900);
    EXPECT_EQ(camera->position.y, heightMap->at(900, 600) + 100.0f);
    // Overlay text is placed in pixels from the top-left corner: six lines 12 apart from 18 down,
    // at a margin of 6. Drawn in feedback mode, each character is a bitmap at its raster position.
    std::vector<GLfloat> feedback(1 << 14);
    glFeedbackBuffer(GLsizei(feedback.size()), GL_2D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    drawOverlay();
    const GLint size = glRenderMode(GL_RENDER);
    std::map<int, std::vector<float>> lines; // y up from the bottom: the x of each character
    for (GLint i = 0; i + 2 < size && feedback[i] == GL_BITMAP_TOKEN; i += 3)
        lines[int(std::lround(feedback[i + 2]))].push_back(feedback[i + 1]);
    ASSERT_EQ(lines.size(), 6u);
    for (int line = 0; line < 6; ++line) EXPECT_NEAR(lines[600 - 18 - 12 * line].at(0), 6, 1e-3);
    const std::string counted[] = {std::to_string(renderer->triangleCount) + " triangles",
                                   std::to_string(renderer->diamondCount()) + " diamonds",
                                   std::to_string(renderer->updatesPerFrame) +
                                       " updates per frame"};
    for (int line = 0; line < 3; ++line)
        EXPECT_EQ(lines[570 - 12 * line].size(), counted[line].size()) << counted[line];
    display();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_DEPTH_TEST)); // the overlay's last act
}

TEST_F(ShellGl, aReshapeToHeightZeroIsTakenAsOneAndAPendingErrorIsReportedOnce) {
    reshape(900, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_TRUE(windowHeight == 1 && viewport[3] == 1);
    EXPECT_NEAR(projection[5] / projection[0], 900.0, 1e-2); // the aspect is the width
    glEnable(0x7fff);                                        // not a capability
    EXPECT_EQ(displayCapturingErrors(),
              std::string("OpenGL Error: ") +
                  reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)) + "\n");
    EXPECT_EQ(displayCapturingErrors(), "");
}

// Each tuning key, pressed, applied once and released, steps its own value its own way (from 0.5,
// or from 0 for the water's speed), whichever algorithm is in force; the function keys flip their
// switch; the number keys choose the algorithm, which is left enabled.
TEST_F(ShellGl, everyTuningKeyStepsItsOwnValueItsOwnWay) {
    const auto choose = [](unsigned char key, TexturingAlgorithm* algorithm) {
        keyboard(key, 0, 0);
        EXPECT_TRUE(renderer->texturing == algorithm && currentAlgorithm == algorithm) << key;
    };
    choose('2', multitexturingAlgorithm);
    choose('`', triGridAlgorithm);
    choose('1', basicAlgorithm);
    ShaderTexturingAlgorithm& s = *shaderAlgorithm;
    const float w = 1.0f / 8192;
    const struct {
        char key;
        float* value;
        float expected;
    } steps[] = {{'y', &s.levelRatio, 0.501f},      {'H', &s.levelRatio, 0.499f},
                 {'u', &s.slopeCutoff, 0.501f},     {'j', &s.slopeCutoff, 0.499f},
                 {'P', &s.triplanarCutoff, 0.501f}, {';', &s.triplanarCutoff, 0.499f},
                 {':', &s.triplanarCutoff, 0.499f}, {'i', &s.texRep, 0.55f},
                 {'k', &s.texRep, 0.45f},           {'O', &s.detailRep, 0.55f},
                 {'l', &s.detailRep, 0.45f},        {'[', &s.waterSpeed, w},
                 {'{', &s.waterSpeed, w},           {'\'', &s.waterSpeed, -w},
                 {'"', &s.waterSpeed, -w},          {'t', &lightPosition[1], 10.5f},
                 {'g', &lightPosition[1], -9.5f}};
    for (const auto& step : steps) {
        s.levelRatio = s.slopeCutoff = s.triplanarCutoff = s.texRep = s.detailRep = 0.5f;
        lightPosition[1] = 0.5f;
        s.waterSpeed = 0;
        const unsigned char key = static_cast<unsigned char>(step.key);
        keyboard(key, 0, 0);
        applyHeldKeyStates();
        keyboardUp(key, 0, 0);
        applyHeldKeyStates();
        EXPECT_EQ(*step.value, step.expected) << step.key;
        EXPECT_EQ(s.levelRatio + s.slopeCutoff + s.triplanarCutoff + s.texRep + s.detailRep +
                      lightPosition[1] + s.waterSpeed,
                  2.5f + step.expected + (step.value == &s.waterSpeed ? 0.5f : 0.0f))
            << step.key << ": another value moved";
    }
    lightPosition[1] = 1000;

    const struct {
        int key;
        unsigned Roam::*value;
        int change;
    } rendererKeys[] = {{GLUT_KEY_HOME, &Roam::triangleTarget, 10},
                        {GLUT_KEY_END, &Roam::triangleTarget, -10},
                        {GLUT_KEY_PAGE_UP, &Roam::updatesPerFrame, 1},
                        {GLUT_KEY_PAGE_DOWN, &Roam::updatesPerFrame, -1}};
    for (const auto& k : rendererKeys) {
        const unsigned before = renderer->*k.value;
        specialKey(k.key, 0, 0);
        applyRendererKeyStates();
        specialKeyUp(k.key, 0, 0);
        applyRendererKeyStates();
        EXPECT_EQ(static_cast<int>(renderer->*k.value - before), k.change) << k.key;
    }

    bool ShaderTexturingAlgorithm::*const switches[] = {
        &ShaderTexturingAlgorithm::lighting,     &ShaderTexturingAlgorithm::slopeTexturing,
        &ShaderTexturingAlgorithm::texturing,    &ShaderTexturingAlgorithm::normalTexture,
        &ShaderTexturingAlgorithm::useDetailMap, &ShaderTexturingAlgorithm::triplanarTexturing,
        &ShaderTexturingAlgorithm::textureLOD};
    for (int f = 0; f < 7; ++f) {
        bool before[7];
        for (int i = 0; i < 7; ++i) before[i] = s.*switches[i];
        specialKey(GLUT_KEY_F1 + f, 0, 0);
        for (int i = 0; i < 7; ++i) EXPECT_EQ(s.*switches[i], before[i] != (i == f)) << f;
        specialKey(GLUT_KEY_F1 + f, 0, 0);
    }

    s.waterTime = 16382;
    for (const int time : {16383, 0, 1}) { // the water clock wraps at 16384
        idle();
        EXPECT_EQ(s.waterTime, time);
    }
    choose('3', shaderAlgorithm);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_NE(program, 0);
    display();
    EXPECT_TRUE(drainGlErrors().empty());
}

// A held camera key marks the frustum even when the ground test refuses the move. The next frame
// puts the eye at the origin looking down -z at position + direction, with up in the y-z plane,
// and takes the planes from that view.
TEST_F(ShellGl, heldCameraKeysRefreshTheViewAndFrustumAtTheNextFrame) {
    for (int* state : {&moveState, &climbState, &turnState, &strafeState, &tiltState}) {
        frustumDirty = false;
        *state = 1;
        EXPECT_TRUE(cameraStatesActive());
        idle();
        *state = 0;
        EXPECT_TRUE(frustumDirty);
    }
    frustumDirty = false;
    idle();
    EXPECT_FALSE(frustumDirty);

    const Vector3D position = camera->position, direction = camera->direction;
    camera->position = Vector3D(10, 20, 30);
    camera->direction = Vector3D(0.6f, 0.25f, -0.8f);
    frustumDirty = true;
    display();
    EXPECT_FALSE(frustumDirty);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const auto eye = [&](float x, float y, float z, int row) {
        return m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    };
    const float length = std::sqrt(0.36f + 0.0625f + 0.64f);
    for (int row = 0; row < 3; ++row) {
        EXPECT_NEAR(eye(10, 20, 30, row), 0, 1e-4) << row;
        EXPECT_NEAR(eye(10.6f, 20.25f, 29.2f, row), row == 2 ? -length : 0, 1e-4) << row;
    }
    EXPECT_NEAR(eye(10, 21, 30, 0), 0, 1e-4);
    EXPECT_GT(eye(10, 21, 30, 1), 0); // up stays up
    Camera expected = *camera;
    glLoadIdentity();
    expected.applyView();
    expected.extractFrustum();
    EXPECT_EQ(std::memcmp(camera->frustum, expected.frustum, sizeof expected.frustum), 0);
    camera->position = position;
    camera->direction = direction;
}

// The orbiting light climbs and moves along z with its angle, and its marker, unlit, stands
// where the light is: seen from 300 units away, its radius of 40 spans 97 pixels (45 degrees
// over 600 pixels).
TEST_F(ShellGl, theOrbitingLightMovesAndItsMarkerStandsAtIt) {
    const Vector3D position = camera->position, direction = camera->direction;
    orbitLight = true;
    orbitAngle = 0;
    const float start[3] = {300, 3000, 700};
    std::copy(start, start + 3, orbitLightPosition);
    idle();
    EXPECT_EQ(orbitAngle, 0.003f);
    EXPECT_NEAR(orbitLightPosition[0], 300, 1e-6);
    EXPECT_NEAR(orbitLightPosition[1], 3000 + 3 * std::sin(0.003), 1e-3);
    EXPECT_NEAR(orbitLightPosition[2], 700 + 3 * std::cos(0.003), 1e-3);
    const auto row = [&] { // from the middle of the picture rightwards
        camera->position =
            Vector3D(orbitLightPosition[0], orbitLightPosition[1], orbitLightPosition[2] + 300);
        camera->direction = Vector3D(0, 0, -1);
        display();
        std::vector<unsigned char> rgb(3 * 120);
        glReadBuffer(GL_BACK); // llvmpipe's swap copies: the back buffer keeps the frame
        glReadPixels(450, 300, 120, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    };
    const auto isMarker = [](const unsigned char* p) { // (0.9, 0.8, 0.2)
        return std::abs(p[0] - 230) <= 1 && std::abs(p[1] - 204) <= 1 && std::abs(p[2] - 51) <= 1;
    };
    const std::vector<unsigned char> lit = row();
    EXPECT_TRUE(isMarker(&lit[0]) && isMarker(&lit[3 * 90]) && !isMarker(&lit[3 * 105]));
    float light[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);
    EXPECT_EQ(light[3], 1.0f); // a point light
    orbitLight = false;
    EXPECT_EQ(row(), std::vector<unsigned char>(3 * 120, 0));
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);
    EXPECT_EQ(light[3], 1.0f); // the fixed light is a point light too
    camera->position = position;
    camera->direction = direction;
    EXPECT_TRUE(drainGlErrors().empty());
}
