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
#include <vector>

namespace {

// Records the calls the switch makes, in order, across algorithms.
class RecordingAlgorithm : public TexturingAlgorithm {
public:
    RecordingAlgorithm(std::string name, std::vector<std::string>& log)
        : name(std::move(name)), log(log) {}
    void texCoord(int, int, int) override {}
    void enable() override { log.push_back(name + ".enable"); }
    void disable() override { log.push_back(name + ".disable"); }
    std::string name;
    std::vector<std::string>& log;
};

class SceneGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ensureScene();
        drainGlErrors();
    }
};

} // namespace

TEST_F(SceneGl, startUpBuildsTheSceneAndPutsTheShadersInForce) {
    ASSERT_TRUE(heightMap && camera && renderer);
    ASSERT_TRUE(basicAlgorithm && multitexturingAlgorithm && shaderAlgorithm && triGridAlgorithm);
    EXPECT_TRUE(shaderAlgorithm->shadersSupported);
    EXPECT_EQ(currentAlgorithm, shaderAlgorithm);
    EXPECT_EQ(renderer->texturing, shaderAlgorithm);
    EXPECT_EQ(renderer->gridSize, 1025);
    EXPECT_EQ(shaderAlgorithm->Twidth, 1024);
    EXPECT_EQ(shaderAlgorithm->Tlength, 1024);
    // Over the middle of the width, three quarters along the length, 100 above the ground.
    EXPECT_EQ(camera->position.x, 600.0f);
    EXPECT_EQ(camera->position.z, 900.0f);
    EXPECT_EQ(camera->position.y, heightMap->at(900, 600) + 100.0f);
}

TEST_F(SceneGl, switchingDisablesTheOldAndEnablesTheNewEvenWhenTheyAreTheSame) {
    TexturingAlgorithm* const inForce = renderer->texturing;
    TexturingAlgorithm* const chosen = currentAlgorithm;
    std::vector<std::string> log;
    RecordingAlgorithm a("a", log), b("b", log);
    renderer->texturing = &a;
    currentAlgorithm = &b;
    applyTexturingAlgorithm();
    EXPECT_EQ(renderer->texturing, &b);
    applyTexturingAlgorithm(); // the algorithm already in force
    EXPECT_EQ(log, (std::vector<std::string>{"a.disable", "b.enable", "b.disable", "b.enable"}));
    renderer->texturing = inForce;
    currentAlgorithm = chosen;
}

TEST_F(SceneGl, algorithmKeysChooseAndApply) {
    keyboard('1', 0, 0);
    EXPECT_EQ(currentAlgorithm, basicAlgorithm);
    EXPECT_EQ(renderer->texturing, basicAlgorithm);
    keyboard('2', 0, 0);
    EXPECT_EQ(renderer->texturing, multitexturingAlgorithm);
    keyboard('1', 0, 0); // after multitexturing, blending stays on under the basic texturing
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    keyboard('`', 0, 0);
    EXPECT_EQ(renderer->texturing, triGridAlgorithm);
    keyboard('3', 0, 0);
    EXPECT_EQ(renderer->texturing, shaderAlgorithm);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    display();
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(SceneGl, functionKeysToggleTheShaderSwitches) {
    ShaderTexturingAlgorithm& shader = *shaderAlgorithm;
    const bool lighting = shader.lighting, lod = shader.textureLOD;
    specialKey(GLUT_KEY_F1, 0, 0);
    specialKey(GLUT_KEY_F7, 0, 0);
    EXPECT_EQ(shader.lighting, !lighting);
    EXPECT_EQ(shader.textureLOD, !lod);
    specialKey(GLUT_KEY_F1, 0, 0);
    specialKey(GLUT_KEY_F7, 0, 0);
    specialKey(GLUT_KEY_F8, 0, 0);
    EXPECT_EQ(shader.lighting, lighting);
    EXPECT_EQ(shader.textureLOD, lod);
}

TEST_F(SceneGl, heldKeysTuneTheShaderParametersWhetherOrNotItIsInForce) {
    ShaderTexturingAlgorithm& shader = *shaderAlgorithm;
    keyboard('1', 0, 0);
    const float ratio = shader.levelRatio, speed = shader.waterSpeed, detail = shader.detailRep;
    keyboard('y', 0, 0);
    keyboard('"', 0, 0);
    keyboard('O', 0, 0);
    applyHeldKeyStates();
    keyboardUp('h', 0, 0);
    keyboardUp('[', 0, 0);
    keyboardUp('l', 0, 0);
    EXPECT_EQ(shader.levelRatio, static_cast<float>(ratio + 0.001));
    EXPECT_EQ(shader.waterSpeed, speed - 1.0f / 8192);
    EXPECT_EQ(shader.detailRep, detail + 0.05f);
    applyHeldKeyStates();
    EXPECT_EQ(shader.levelRatio, static_cast<float>(ratio + 0.001));
    shader.levelRatio = ratio;
    shader.waterSpeed = speed;
    shader.detailRep = detail;
    keyboard('3', 0, 0);
}

TEST_F(SceneGl, waterClockWrapsAt16384) {
    shaderAlgorithm->waterTime = 16382;
    idle();
    EXPECT_EQ(shaderAlgorithm->waterTime, 16383);
    idle();
    EXPECT_EQ(shaderAlgorithm->waterTime, 0);
    EXPECT_EQ(shaderAlgorithm->waterPosition(), 0.0f);
}

TEST_F(SceneGl, cKeyTogglesCullingAndNTheOrbitingLight) {
    const bool culling = renderer->cullingEnabled;
    keyboard('c', 0, 0);
    EXPECT_EQ(renderer->cullingEnabled, !culling);
    keyboard('C', 0, 0);
    EXPECT_EQ(renderer->cullingEnabled, culling);
    const bool orbit = orbitLight;
    keyboard('n', 0, 0);
    EXPECT_EQ(orbitLight, !orbit);
    display(); // the marker sphere
    keyboard('N', 0, 0);
    EXPECT_EQ(orbitLight, orbit);
    EXPECT_TRUE(drainGlErrors().empty());
}
