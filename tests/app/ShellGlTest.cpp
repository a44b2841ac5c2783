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

class Recording : public TexturingAlgorithm {
public:
    Recording(const char* name, std::string& log) : name(name), log(log) {}
    void texCoord(int, int, int) override {}
    void enable() override { log += name + std::string(".enable "); }
    void disable() override { log += name + std::string(".disable "); }
    const char* name;
    std::string& log;
};

} // namespace

TEST_F(ShellGl, startUpBuildsTheSceneWithTheShadersInForce) {
    EXPECT_EQ(renderer->texturing, shaderAlgorithm);
    EXPECT_EQ(currentAlgorithm, shaderAlgorithm);
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

TEST_F(ShellGl, overlayTextStandsInTheTopLeftCorner) {
    glClear(GL_COLOR_BUFFER_BIT);
    drawOverlay();
    std::vector<unsigned char> pixels(900 * 600 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 900, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    int inside = 0, outside = 0;
    for (int i = 0; i < 900 * 600; ++i)
        if (pixels[3 * i] || pixels[3 * i + 1] || pixels[3 * i + 2])
            (599 - i / 900 < 82 && i % 900 < 200 ? inside : outside)++; // six lines, from the top
    EXPECT_GT(inside, 100);
    EXPECT_EQ(outside, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING)); // switched on by the text and left on
}

TEST_F(ShellGl, framePlanesClassifyPointsAroundTheCamera) {
    Camera view(nullptr);
    view.position = Vector3D(100, 50, 300);
    glLoadIdentity();
    view.applyView();
    view.extractFrustum();
    const auto distance = [&](int plane, float x, float y, float z) {
        const FrustumPlane& p = view.frustum[plane];
        return p.a * x + p.b * y + p.c * z + p.d;
    };
    // Ahead: 99.9 inside the near plane and 1900 inside the far one, as distances.
    EXPECT_NEAR(distance(FrustumNear, 100, 50, 200), 99.9, 0.05);
    EXPECT_NEAR(distance(FrustumFar, 100, 50, 200), 1900, 1);
    EXPECT_LT(distance(FrustumNear, 100, 50, 400), 0);  // behind
    EXPECT_LT(distance(FrustumRight, 400, 50, 200), 0); // beside
    EXPECT_LT(distance(FrustumLeft, -200, 50, 200), 0);
    EXPECT_LT(distance(FrustumTop, 100, 200, 200), 0); // above
    EXPECT_GT(distance(FrustumBottom, 100, 200, 200), 0);
}

TEST_F(ShellGl, switchingDisablesTheOldAndEnablesTheNewEvenWhenTheyAreTheSame) {
    TexturingAlgorithm* const inForce = renderer->texturing;
    std::string log;
    Recording a("a", log), b("b", log);
    renderer->texturing = &a;
    currentAlgorithm = &b;
    applyTexturingAlgorithm();
    applyTexturingAlgorithm();
    EXPECT_EQ(log, "a.disable b.enable b.disable b.enable ");
    renderer->texturing = currentAlgorithm = inForce;
}

TEST_F(ShellGl, keysChooseAlgorithmsToggleSwitchesAndTuneParameters) {
    keyboard('2', 0, 0);
    keyboard('1', 0, 0);
    EXPECT_EQ(renderer->texturing, basicAlgorithm);
    EXPECT_TRUE(glIsEnabled(GL_BLEND)); // left on by the multitexturing's disable
    ShaderTexturingAlgorithm& shader = *shaderAlgorithm;
    specialKey(GLUT_KEY_F1, 0, 0);
    EXPECT_FALSE(shader.lighting);
    specialKey(GLUT_KEY_F1, 0, 0);
    keyboard('y', 0, 0); // parameters move while another algorithm is in force
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
