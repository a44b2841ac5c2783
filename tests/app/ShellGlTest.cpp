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

TEST_F(ShellGl, startUpBuildsTheSceneWithTheShadersInForce) {
    EXPECT_TRUE(renderer->texturing == shaderAlgorithm && currentAlgorithm == shaderAlgorithm);
    EXPECT_EQ(shaderAlgorithm->Twidth, renderer->gridSize - 1);
    EXPECT_TRUE(heightMap->hasNormals() && shaderAlgorithm->normalMapTexture);
    display();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_DEPTH_TEST)); // the overlay's last act
    float light[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);
    EXPECT_EQ(light[3], 1.0f); // a point light
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

// Pressed, applied once and released, a tuning key steps its own value its own way (from 0.5, the
// water's speed from 0) whichever algorithm is in force; one key of each.
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
                 {'t', &lightPosition[1], 10.5f}};
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
    for (const auto& [key, change] : {std::pair{GLUT_KEY_HOME, 10}, {GLUT_KEY_PAGE_DOWN, -1}}) {
        const unsigned before = renderer->triangleTarget + renderer->updatesPerFrame;
        specialKey(key, 0, 0);
        applyRendererKeyStates();
        specialKeyUp(key, 0, 0);
        applyRendererKeyStates();
        EXPECT_EQ(int(renderer->triangleTarget + renderer->updatesPerFrame - before), change);
    }

    choose('3', shaderAlgorithm);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_NE(program, 0);
    display();
    EXPECT_TRUE(drainGlErrors().empty());
}

// A held camera key marks the frustum even when the ground test refuses the move. The next frame
// puts the eye at the origin looking down -z at position + direction, up staying up, and takes the
// planes from that view. Meanwhile the water's clock wraps at 16384.
TEST_F(ShellGl, heldCameraKeysRefreshTheViewAndFrustumAtTheNextFrame) {
    shaderAlgorithm->waterTime = 16380;
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
    *camera = saved;
}
