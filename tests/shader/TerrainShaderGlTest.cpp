#include "shader/GLSLShaderProgram.h"
#include "shader/ShaderFactory.h"
#include "texturing/ShaderTexturingAlgorithm.h"

#include "support/GlContext.h"

#include <string>

namespace {

using TerrainShaderGl = GlTest;

} // namespace

TEST_F(TerrainShaderGl, shippedPairLinksAndUsesEveryUniform) {
    GLSLShaderFactory factory;
    const std::string data = std::string(TERRAINS_SOURCE_DIR) + "/data/";
    const auto fragment = factory.createFragmentShader((data + "mult.frag").c_str());
    const auto vertex = factory.createVertexShader((data + "mult.vert").c_str());
    vertex->compile();
    fragment->compile();
    const auto program = factory.createProgram();
    program->attach(*vertex);
    program->attach(*fragment);
    program->link();
    auto& glsl = static_cast<GLSLShaderProgram&>(*program);
    GLint linked = GL_FALSE;
    glGetProgramiv(glsl.handle, GL_LINK_STATUS, &linked);
    const std::string log = program->getInfoLog();
    EXPECT_EQ(linked, GL_TRUE) << log;
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    for (const char* name : kShaderUniformNames) {
        program->addUniform(name);
        EXPECT_NE(glsl.uniformLocations.at(name), -1) << name << " is not active";
    }
    EXPECT_TRUE(drainGlErrors().empty());
}
