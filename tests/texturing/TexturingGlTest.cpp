#include "texturing/BasicTexturingAlgorithm.h"
#include "texturing/MultitexturingAlgorithm.h"
#include "texturing/ShaderTexturingAlgorithm.h"
#include "texturing/TriGridTexturingAlgorithm.h"

#include "shader/GLSLShaderProgram.h"
#include "texture/ProceduralTexture.h"

#include "support/GlContext.h"
#include "support/TestHeightMaps.h"

#include <unistd.h>

namespace {

using TexturingGl = GlTest;

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Texture enable and binding of a unit, leaving that unit active.
std::pair<bool, GLint> unitState(int unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    return {glIsEnabled(GL_TEXTURE_2D), integer(GL_TEXTURE_BINDING_2D)};
}

std::pair<float, float> texCoords(int unit) {
    float st[4];
    glActiveTexture(GL_TEXTURE0 + unit);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, st);
    return {st[0], st[1]};
}

} // namespace

// Coordinates stay inside the textures; multitexturing falls back; the shader sends its uniforms.
TEST_F(TexturingGl, coordinatesFallbackAndShaderUniforms) {
    ASSERT_EQ(chdir(TERRAINS_RUN_DIR), 0);                        // where the algorithms' files lie
    GridHeightMap map(513, 257, [](int, int) { return 100.0f; }); // flat, with unit normals
    for (int i = 0; i < 513 * 257; ++i) map.normals.insert(map.normals.end(), {0, 1, 0});
    BasicTexturingAlgorithm basic(&map);
    basic.texCoord(512, 256, 1);
    EXPECT_EQ(texCoords(0), std::make_pair(512.0f / 513, 256.0f / 257));
    TriGridTexturingAlgorithm().texCoord(7, 300, 1); // its corner's point wherever the vertex is
    EXPECT_EQ(texCoords(0), std::make_pair(255 / 256.0f, 1 / 256.0f));
    MultitexturingAlgorithm multi(&map); // the detail map repeats on unit 1
    multi.enable();
    multi.texCoord(512, 256, 0);
    EXPECT_EQ(texCoords(0), std::make_pair(512.0f / 513, 256.0f / 257));
    EXPECT_EQ(texCoords(1), std::make_pair(512.0f / 513 * 64, 256.0f / 257 * 64));
    multi.disable();
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(unitState(1), std::make_pair(false, 0));
    // Without multitexturing: the warning, once, and the basic texturing on unit 0 alone.
    testing::internal::CaptureStderr();
    MultitexturingAlgorithm fallback(&map, [] { return false; });
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning - attempting MultiTexturing but OpenGL extension not available\n");
    const std::pair<float, float> unit1 = texCoords(1);
    glActiveTexture(GL_TEXTURE0);
    fallback.enable();
    fallback.texCoord(100, 200, 0);
    EXPECT_EQ(texCoords(1), unit1); // unit 1 never addressed
    EXPECT_EQ(unitState(0), std::make_pair(true, GLint(fallback.colourTexture->textureId)));
    EXPECT_EQ(texCoords(0), std::make_pair(100.0f / 513, 200.0f / 257));
    fallback.disable();
    glDisable(GL_BLEND);

    ShaderTexturingAlgorithm shader(&map, 256, 256);
    testing::internal::CaptureStdout();
    shader.setup(); // the shipped pair, its link log on the console
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.find("rror"), std::string::npos) << log;
    const auto& program = static_cast<const GLSLShaderProgram&>(*shader.program);
    // Heights come from the vertices: the height sampler is the one unused.
    for (const char* name : kShaderUniformNames)
        EXPECT_EQ(program.uniformLocations.at(name) == -1, std::string(name) == "heightMap")
            << name;
    const auto uniform = [&](const char* name) {
        GLfloat value = -7;
        glGetUniformfv(program.handle, program.uniformLocations.at(name), &value);
        return value;
    };
    shader.waterTime = 1000;
    shader.enable();
    EXPECT_EQ(uniform("normalMap"), 6);
    EXPECT_EQ(uniform("Theight"), 100.0f);
    EXPECT_EQ(uniform("waterPosition"), 1000.0f / 2048);
    EXPECT_EQ(uniform("triplanarTexturing"), 0);
    shader.disable();
    shader.triplanarTexturing = true; // toggled between two frames
    shader.enable();
    EXPECT_EQ(uniform("triplanarTexturing"), 1);
    shader.disable();
    EXPECT_TRUE(integer(GL_CURRENT_PROGRAM) == 0 && integer(GL_ACTIVE_TEXTURE) == GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    for (int unit = 7; unit >= 0; --unit) EXPECT_EQ(unitState(unit), std::make_pair(false, 0));
    EXPECT_TRUE(drainGlErrors().empty());
}
