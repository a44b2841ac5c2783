#include "texturing/BasicTexturingAlgorithm.h"
#include "texturing/MultitexturingAlgorithm.h"
#include "texturing/ShaderTexturingAlgorithm.h"
#include "texturing/TriGridTexturingAlgorithm.h"

#include "shader/GLSLShaderProgram.h"
#include "texture/HeightMapTexture.h"
#include "texture/ImageFileTexture.h"
#include "texture/NormalMap.h"
#include "texture/ProceduralTexture.h"
#include "texture/TriGridTexture.h"

#include "support/GlContext.h"
#include "support/TestHeightMaps.h"

#include <unistd.h>

#include <cmath>
#include <string>

namespace {

// A 513 x 513 cone: heights from 0 at the rim to 100 in the middle.
const GridHeightMap& coneMap() {
    static const GridHeightMap map(513, 513, [](int r, int c) {
        const float d = std::hypot(r - 256.0f, c - 256.0f);
        return d > 256 ? 0.0f : 100.0f * (1 - d / 256);
    });
    return map;
}

class TexturingGl : public GlTest {
protected:
    static void SetUpTestSuite() {
        GlTest::SetUpTestSuite();
        // The algorithms read their tiles relative to the working directory.
        ASSERT_EQ(chdir(TERRAINS_RUN_DIR), 0);
    }
    void SetUp() override {
        GlTest::SetUp();
        glActiveTexture(GL_TEXTURE0);
    }
};

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

bool textureEnabledOn(int unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    return glIsEnabled(GL_TEXTURE_2D);
}

GLint boundOn(int unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    return integer(GL_TEXTURE_BINDING_2D);
}

void currentTexCoords(int unit, float coords[4]) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, coords);
}

bool reportsNoMultitexture() {
    return false;
}

} // namespace

TEST_F(TexturingGl, basicMapsTheGridOntoTheColourTextureOnUnitZero) {
    BasicTexturingAlgorithm basic(&coneMap());
    basic.enable();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(basic.texture->textureId));
    basic.texCoord(512, 256, 1);
    float st[4];
    currentTexCoords(0, st);
    EXPECT_EQ(st[0], 512.0f / 513);
    EXPECT_EQ(st[1], 256.0f / 513);
    basic.disable();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)); // stays on; only the texture is unbound
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(TexturingGl, multitexturingCombinesTheDetailMapOnUnitOne) {
    MultitexturingAlgorithm multi(&coneMap());
    ASSERT_TRUE(multi.multitextureSupported);
    glDisable(GL_BLEND);
    multi.enable();
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE1); // left on unit 1
    GLint mode = 0, scale = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_RGB_SCALE, &scale);
    EXPECT_EQ(mode, GL_COMBINE);
    EXPECT_EQ(scale, 2);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(textureEnabledOn(0));
    EXPECT_EQ(boundOn(0), static_cast<GLint>(multi.colourTexture->textureId));
    EXPECT_TRUE(textureEnabledOn(1));
    EXPECT_EQ(boundOn(1), static_cast<GLint>(multi.detailMap->textureId));
    EXPECT_NE(multi.detailMap->textureId, 0u);

    multi.texCoord(512, 256, 0);
    float unit0[4], unit1[4];
    currentTexCoords(0, unit0);
    currentTexCoords(1, unit1);
    EXPECT_EQ(unit0[0], 512.0f / 513);
    EXPECT_EQ(unit0[1], 256.0f / 513);
    EXPECT_EQ(unit1[0], 512.0f / 513 * 64);
    EXPECT_EQ(unit1[1], 256.0f / 513 * 64);
    multi.texCoord(0, 0, 2);
    currentTexCoords(0, unit0);
    currentTexCoords(1, unit1);
    EXPECT_EQ(unit0[0], 0.0f);
    EXPECT_EQ(unit1[1], 0.0f);

    glActiveTexture(GL_TEXTURE1);
    multi.disable();
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(textureEnabledOn(1));
    EXPECT_EQ(boundOn(1), 0);
    EXPECT_FALSE(textureEnabledOn(0));
    EXPECT_EQ(boundOn(0), 0);
    // Unit 1 keeps its combiner; it is off until the next enable.
    glActiveTexture(GL_TEXTURE1);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_COMBINE);
    glActiveTexture(GL_TEXTURE1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_BLEND);
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(TexturingGl, withoutMultitexturingTheWarningIsPrintedAndBasicDrawingIsUsed) {
    testing::internal::CaptureStderr();
    MultitexturingAlgorithm multi(&coneMap(), reportsNoMultitexture);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning - attempting MultiTexturing but OpenGL extension not available\n");
    EXPECT_FALSE(multi.multitextureSupported);

    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    float before[4];
    currentTexCoords(1, before);
    glActiveTexture(GL_TEXTURE0);
    multi.enable();
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(multi.colourTexture->textureId));
    EXPECT_FALSE(textureEnabledOn(1));
    glActiveTexture(GL_TEXTURE0);
    multi.texCoord(100, 200, 0);
    float unit0[4], unit1[4];
    currentTexCoords(0, unit0);
    currentTexCoords(1, unit1);
    EXPECT_EQ(unit0[0], 100.0f / 513);
    EXPECT_EQ(unit0[1], 200.0f / 513);
    EXPECT_EQ(unit1[0], before[0]); // unit 1 is never addressed
    EXPECT_EQ(unit1[1], before[1]);
    glActiveTexture(GL_TEXTURE0);
    multi.disable();
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(TexturingGl, triGridGivesEveryTriangleTheSameCornersInsideTheTexture) {
    TriGridTexturingAlgorithm triGrid;
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE); // set on unit 0 by the texture it builds
    triGrid.enable();
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(triGrid.texture->textureId));
    const float expected[3][2] = {
        {1 / 256.0f, 1 / 256.0f}, {255 / 256.0f, 1 / 256.0f}, {255 / 256.0f, 255 / 256.0f}};
    for (int corner = 0; corner < 3; ++corner) {
        for (int x : {0, 7, 512}) {
            triGrid.texCoord(x, 3 * x, corner);
            float st[4];
            currentTexCoords(0, st);
            EXPECT_EQ(st[0], expected[corner][0]);
            EXPECT_EQ(st[1], expected[corner][1]);
            EXPECT_GT(st[0], 0.0f);
            EXPECT_LT(st[0], 1.0f);
            EXPECT_GT(st[1], 0.0f);
            EXPECT_LT(st[1], 1.0f);
        }
    }
    triGrid.disable();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_TRUE(drainGlErrors().empty());
}

namespace {

class ShaderTexturingGl : public TexturingGl {
protected:
    void SetUp() override {
        TexturingGl::SetUp();
        map = std::make_unique<GridHeightMap>(coneMap());
        map->normals.assign(map->heights.size() * 3, 0.0f);
        for (size_t i = 0; i < map->heights.size(); ++i) map->normals[3 * i + 1] = 1.0f;
    }
    // Setup prints the link log; these tests read it elsewhere.
    static void setUpQuietly(ShaderTexturingAlgorithm& shader) {
        testing::internal::CaptureStdout();
        shader.setup();
        testing::internal::GetCapturedStdout();
    }
    std::unique_ptr<GridHeightMap> map;
};

GLint uniformInt(const ShaderTexturingAlgorithm& shader, const char* name) {
    const auto& program = static_cast<const GLSLShaderProgram&>(*shader.program);
    GLint value = -7;
    glGetUniformiv(program.handle, program.uniformLocations.at(name), &value);
    return value;
}

GLfloat uniformFloat(const ShaderTexturingAlgorithm& shader, const char* name) {
    const auto& program = static_cast<const GLSLShaderProgram&>(*shader.program);
    GLfloat value = -7;
    glGetUniformfv(program.handle, program.uniformLocations.at(name), &value);
    return value;
}

} // namespace

TEST_F(ShaderTexturingGl, constructorGivesTheParametersTheirDefaults) {
    ShaderTexturingAlgorithm shader(map.get(), 512, 256);
    EXPECT_TRUE(shader.shadersSupported);
    EXPECT_EQ(shader.Tlength, 512);
    EXPECT_EQ(shader.Twidth, 256);
    EXPECT_EQ(shader.levelRatio, 0.25f);
    EXPECT_EQ(shader.waterSpeed, 1.0f / 2048);
    EXPECT_EQ(shader.waterTime, 0);
    EXPECT_TRUE(shader.texturing && shader.slopeTexturing && shader.lighting &&
                shader.useDetailMap && shader.textureLOD);
    EXPECT_FALSE(shader.normalTexture || shader.triplanarTexturing);
    EXPECT_FALSE(shader.program);
}

TEST_F(ShaderTexturingGl, setupLinksTheShippedPairAndBuildsEightUnits) {
    ShaderTexturingAlgorithm shader(map.get(), 512, 512);
    testing::internal::CaptureStdout();
    shader.setup();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    ASSERT_TRUE(shader.program);
    const auto& program = static_cast<const GLSLShaderProgram&>(*shader.program);
    EXPECT_EQ(program.uniformLocations.size(), 24u);
    for (const auto& entry : program.uniformLocations) EXPECT_NE(entry.second, -1) << entry.first;
    for (const auto& ground : shader.groundTextures) EXPECT_NE(ground->textureId, 0u);
    EXPECT_NE(shader.detailMap->textureId, 0u);
    ASSERT_TRUE(shader.normalMapTexture);
    EXPECT_EQ(shader.normalMapTexture->width, 512);
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(ShaderTexturingGl, enableBindsEveryUnitAndSendsTheParameters) {
    ShaderTexturingAlgorithm shader(map.get(), 512, 512);
    setUpQuietly(shader);
    glEnable(GL_BLEND);
    shader.waterTime = 1000;
    shader.enable();
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE7);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(static_cast<GLuint>(integer(GL_CURRENT_PROGRAM)),
              static_cast<const GLSLShaderProgram&>(*shader.program).handle);
    for (int unit = 0; unit < 8; ++unit) {
        EXPECT_TRUE(textureEnabledOn(unit)) << unit;
        EXPECT_NE(boundOn(unit), 0) << unit;
    }
    EXPECT_EQ(uniformInt(shader, "mytex[3]"), 3);
    EXPECT_EQ(uniformInt(shader, "heightMap"), 7);
    EXPECT_EQ(uniformInt(shader, "Twidth"), 512);
    EXPECT_EQ(uniformFloat(shader, "Theight"), 100.0f);
    EXPECT_EQ(uniformFloat(shader, "waterPosition"), 1000.0f / 2048);
    EXPECT_EQ(uniformInt(shader, "lighting"), 1);
    shader.disable();
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(ShaderTexturingGl, toggledSwitchReachesItsUniformInTheNextFrame) {
    ShaderTexturingAlgorithm shader(map.get(), 512, 512);
    setUpQuietly(shader);
    shader.enable();
    shader.disable();
    EXPECT_EQ(uniformInt(shader, "triplanarTexturing"), 0);
    shader.triplanarTexturing = !shader.triplanarTexturing;
    shader.texRep = 2.5f;
    shader.enable();
    EXPECT_EQ(uniformInt(shader, "triplanarTexturing"), 1);
    EXPECT_EQ(uniformFloat(shader, "texRep"), 2.5f);
    shader.disable();
}

TEST_F(ShaderTexturingGl, disableLeavesNoProgramAndEveryUnitOffAndUnbound) {
    ShaderTexturingAlgorithm shader(map.get(), 512, 512);
    setUpQuietly(shader);
    shader.enable();
    shader.disable();
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    for (int unit = 0; unit < 8; ++unit) {
        EXPECT_FALSE(textureEnabledOn(unit)) << unit;
        EXPECT_EQ(boundOn(unit), 0) << unit;
    }
    glActiveTexture(GL_TEXTURE0);
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(ShaderTexturingGl, withoutNormalsUnitSixBindsObjectZero) {
    map->normals.clear();
    ShaderTexturingAlgorithm shader(map.get(), 512, 512);
    setUpQuietly(shader);
    EXPECT_FALSE(shader.normalMapTexture);
    shader.enable();
    EXPECT_EQ(boundOn(6), 0);
    shader.disable();
    EXPECT_TRUE(drainGlErrors().empty());
}
