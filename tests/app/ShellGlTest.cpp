#include "app/Camera.h"
#include "app/FrameLoop.h"
#include "app/Input.h"
#include "app/Scene.h"
#include "roam/Roam.h"
#include "terrain/HeightMap.h"
#include "texturing/ShaderTexturingAlgorithm.h"

#include "support/GlContext.h"

#include <GL/glut.h>

#include <cmath>
#include <cstring>
#include <string>

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

TEST_F(ShellGl, startUpBuildsTheSceneWithTheShadersInForceAndReshapesToAnyHeight) {
    EXPECT_TRUE(renderer->texturing == shaderAlgorithm && currentAlgorithm == shaderAlgorithm);
    EXPECT_EQ(shaderAlgorithm->Twidth, renderer->gridSize - 1);
    EXPECT_TRUE(heightMap->hasNormals() && shaderAlgorithm->normalMapTexture);
    display();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_LIGHT0) && glIsEnabled(GL_DEPTH_TEST));
    float light[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);
    EXPECT_EQ(light[3], 1.0f); // a point light
    // A height of zero is taken as one; a pending error is reported once.
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

// Pressed, applied once and released, a tuning key steps its own value (from 0.5, the water's
// speed from 0) whichever algorithm is in force.
TEST_F(ShellGl, tuningKeysStepTheirOwnValueWhicheverAlgorithmIsInForce) {
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
    } steps[] = {{'y', &s.levelRatio, 0.501f},      {'J', &s.slopeCutoff, 0.499f},
                 {':', &s.triplanarCutoff, 0.499f}, {'i', &s.texRep, 0.55f},
                 {'L', &s.detailRep, 0.45f},        {'"', &s.waterSpeed, -w},
                 {'t', &lightPosition[1], 10.5f},   {'k', &s.texRep, 0.45f}};
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
    }
    lightPosition[1] = 1000;
    const unsigned untouched = renderer->triangleTarget;
    applyRendererKeyStates(); // no key held: nothing moves
    EXPECT_EQ(renderer->triangleTarget, untouched);
    for (const auto& [key, change] : {std::pair{GLUT_KEY_HOME, 10},
                                      {GLUT_KEY_END, -10},
                                      {GLUT_KEY_PAGE_UP, 1},
                                      {GLUT_KEY_PAGE_DOWN, -1}}) {
        const unsigned before = renderer->triangleTarget + renderer->updatesPerFrame;
        specialKey(key, 0, 0);
        applyRendererKeyStates();
        specialKeyUp(key, 0, 0);
        applyRendererKeyStates();
        EXPECT_EQ(int(renderer->triangleTarget + renderer->updatesPerFrame - before), change);
    }

    const bool culling = renderer->cullingEnabled;
    keyboard('c', 0, 0);
    EXPECT_NE(renderer->cullingEnabled, culling);
    keyboard('c', 0, 0);
    choose('3', shaderAlgorithm);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_NE(program, 0);
    display();
    EXPECT_TRUE(drainGlErrors().empty());
}

// A held camera key marks the frustum even when the move is refused; the next frame looks from the
// position along the direction, up staying up, and takes the planes from that view.
TEST_F(ShellGl, heldCameraKeysRefreshTheViewAndFrustumAtTheNextFrame) {
    shaderAlgorithm->waterTime = 16380; // wraps at 16384
    for (int* state : {&moveState, &climbState, &turnState, &strafeState, &tiltState}) {
        frustumDirty = false;
        *state = 1;
        idle();
        *state = 0;
        EXPECT_TRUE(frustumDirty);
    }
    frustumDirty = false;
    idle();
    EXPECT_FALSE(frustumDirty);
    EXPECT_EQ(shaderAlgorithm->waterTime, 2);

    const Camera saved = *camera;
    camera->position = Vector3D(10, 20, 30);
    camera->direction = Vector3D(0.6f, 0.25f, -0.8f);
    frustumDirty = true;
    display();
    EXPECT_FALSE(frustumDirty);
    float m[16], expected[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glLoadIdentity();
    gluLookAt(10, 20, 30, 10.6f, 20.25f, 29.2f, 0, 1, 0);
    glGetFloatv(GL_MODELVIEW_MATRIX, expected);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-5) << i;
    Camera fresh = *camera;
    fresh.extractFrustum();
    EXPECT_EQ(std::memcmp(camera->frustum, fresh.frustum, sizeof fresh.frustum), 0);
    *camera = saved;
}
