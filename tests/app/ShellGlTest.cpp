#include "app/Camera.h"
#include "app/FrameLoop.h"
#include "app/Input.h"
#include "app/Scene.h"
#include "roam/Roam.h"
#include "terrain/HeightMap.h"
#include "texturing/ShaderTexturingAlgorithm.h"

#include "support/GlContext.h"

#include <GL/glut.h>

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
    EXPECT_TRUE(camera->position.x == 600 && camera->position.z == 900);
    EXPECT_EQ(camera->position.y, heightMap->at(900, 600) + 100.0f);
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

TEST_F(ShellGl, heldKeysTuneTheShadersWhileAnotherAlgorithmIsInForce) {
    keyboard('1', 0, 0);
    EXPECT_EQ(renderer->texturing, basicAlgorithm);
    ShaderTexturingAlgorithm& shader = *shaderAlgorithm;
    keyboard('y', 0, 0);
    keyboard('"', 0, 0);
    applyHeldKeyStates();
    keyboardUp('h', 0, 0);
    keyboardUp('[', 0, 0);
    EXPECT_EQ(shader.levelRatio, static_cast<float>(0.25f + 0.001));
    EXPECT_EQ(shader.waterSpeed, 1.0f / 2048 - 1.0f / 8192);
    shader.waterTime = 16383;
    idle();
    EXPECT_EQ(shader.waterPosition(), 0.0f); // the water clock wraps at 16384
    keyboard('3', 0, 0);
    EXPECT_EQ(renderer->texturing, shaderAlgorithm);
    display();
    EXPECT_TRUE(drainGlErrors().empty());
}
