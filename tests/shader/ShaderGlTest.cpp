#include "shader/GLSLShader.h"
#include "shader/GLSLShaderProgram.h"
#include "shader/ShaderFactory.h"

#include "support/AppRun.h"
#include "support/GlContext.h"

#include <string>

namespace {

const char* const kVertex = "void main() { gl_Position = ftransform(); }\n";
const char* const kFragment =
    "uniform float shade;\nuniform int flag;\n"
    "void main() { gl_FragColor = vec4(shade, float(flag), 0.0, 1.0); }\n";

// Linked through the factory from source text, or from the vertex file at `vertexPath`.
struct Linked {
    std::unique_ptr<Shader> vertex, fragment;
    std::unique_ptr<ShaderProgram> program;
    GLSLShaderProgram& glsl() { return static_cast<GLSLShaderProgram&>(*program); }
};

Linked linkProgram(const std::string& vertex, const std::string& fragment,
                   std::string vertexPath = "") {
    if (vertexPath.empty()) vertexPath = writeTempFile("terrains-test.vert", vertex);
    GLSLShaderFactory factory;
    Linked l{factory.createVertexShader(vertexPath.c_str()),
             factory.createFragmentShader(writeTempFile("terrains-test.frag", fragment).c_str()),
             factory.createProgram()};
    l.vertex->compile();
    l.fragment->compile();
    l.program->attach(*l.vertex);
    l.program->attach(*l.fragment);
    l.program->link();
    return l;
}

using ShaderGl = GlTest;

} // namespace

// CRLF source arrives byte for byte; the uniform cache asks GL only for registered names; a failed
// link leaves a log, cut at 4999.
TEST_F(ShaderGl, sourceUniformCacheAndLinkLogs) {
    const std::string text = "void main()\r\n{\r\n}\r\n";
    EXPECT_EQ(readShaderSource(writeTempFile("terrains-crlf.vert", text).c_str()).get(), text);
    EXPECT_FALSE(readShaderSource("/nonexistent/terrains.vert"));
    EXPECT_FALSE(readShaderSource(writeTempFile("terrains-empty.vert", "").c_str()));
    Linked l = linkProgram(kVertex, kFragment);
    GLSLShaderProgram& program = l.glsl();
    for (const char* name : {"shade", "flag", "missing"}) program.addUniform(name);
    EXPECT_EQ(program.uniformLocations.at("missing"), -1);
    program.use();
    program.setUniform("shade", 0.5f);
    program.setUniform("flag", 2);
    program.setUniform("missing", 1.0f); // -1: a silent no-op
    program.setUniform("unknown", 9.0f); // never registered: no entry, nothing at location 0
    program.setUniform("unknown", 9);
    GLfloat shade = 0;
    GLint flag = 0, current = 0;
    glGetUniformfv(program.handle, program.uniformLocations.at("shade"), &shade);
    glGetUniformiv(program.handle, program.uniformLocations.at("flag"), &flag);
    program.release();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_TRUE(shade == 0.5f && flag == 2 && current == 0);
    EXPECT_EQ(program.uniformLocations.count("unknown"), 0u);
    EXPECT_TRUE(drainGlErrors().empty());
    Linked missing = linkProgram("", kFragment, "/nonexistent/mult.vert");
    GLint status = GL_TRUE;
    glGetProgramiv(missing.glsl().handle, GL_LINK_STATUS, &status);
    EXPECT_TRUE(status == GL_FALSE && !missing.program->getInfoLog().empty());
    const std::string name = "undefined" + std::string(6000, 'x'); // longer than the buffer
    Linked unresolved =
        linkProgram("float " + name + "(float v);\nvoid main() { gl_Position = ftransform() * " +
                        name + "(1.0); }\n",
                    kFragment);
    EXPECT_EQ(unresolved.program->getInfoLog().size(), 4999u);
    drainGlErrors();
}
