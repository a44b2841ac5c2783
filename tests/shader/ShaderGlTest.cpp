#include "shader/GLSLShader.h"
#include "shader/GLSLShaderProgram.h"
#include "shader/ShaderFactory.h"

#include "support/GlContext.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string writeTemp(const std::string& name, const std::string& text) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

const char* const kVertex =
    "#version 110\n"
    "uniform float lift;\n"
    "void main() { gl_Position = ftransform() + vec4(0.0, lift, 0.0, 0.0); }\n";
const char* const kFragment =
    "#version 110\n"
    "uniform float shade;\n"
    "uniform int flag;\n"
    "void main() { gl_FragColor = vec4(shade, float(flag), 0.0, 1.0); }\n";

struct LinkedProgram {
    std::unique_ptr<Shader> vertex, fragment;
    std::unique_ptr<ShaderProgram> program;
};

LinkedProgram linkPair(const std::string& vertexText, const std::string& fragmentText) {
    GLSLShaderFactory factory;
    LinkedProgram linked;
    linked.vertex = factory.createVertexShader(writeTemp("terrains-test.vert", vertexText).c_str());
    linked.fragment =
        factory.createFragmentShader(writeTemp("terrains-test.frag", fragmentText).c_str());
    linked.vertex->compile();
    linked.fragment->compile();
    linked.program = factory.createProgram();
    linked.program->attach(*linked.vertex);
    linked.program->attach(*linked.fragment);
    linked.program->link();
    return linked;
}

GLSLShaderProgram& glsl(LinkedProgram& linked) {
    return static_cast<GLSLShaderProgram&>(*linked.program);
}

GLint linkStatus(GLuint program) {
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status;
}

GLint compileStatus(const Shader& shader) {
    GLint status = GL_FALSE;
    glGetShaderiv(static_cast<const GLSLShader&>(shader).handle, GL_COMPILE_STATUS, &status);
    return status;
}

using ShaderGl = GlTest;

} // namespace

TEST(ShaderSource, crlfFileIsDeliveredByteForByteWithATerminatingNul) {
    const std::string text = "void main()\r\n{\r\n}\r\n";
    const std::unique_ptr<char[]> source =
        readShaderSource(writeTemp("terrains-crlf.vert", text).c_str());
    ASSERT_TRUE(source);
    EXPECT_EQ(std::string(source.get()), text);
}

TEST(ShaderSource, missingOrEmptyFileGivesNoSource) {
    EXPECT_FALSE(readShaderSource("/nonexistent/terrains.vert"));
    EXPECT_FALSE(readShaderSource(writeTemp("terrains-empty.vert", "").c_str()));
}

TEST_F(ShaderGl, factoryMakesIndependentShadersOfEachKindUncompiled) {
    GLSLShaderFactory factory;
    const std::string path = writeTemp("terrains-kind.glsl", kFragment);
    const std::unique_ptr<Shader> vertex = factory.createVertexShader(path.c_str());
    const std::unique_ptr<Shader> fragment = factory.createFragmentShader(path.c_str());
    const auto& v = static_cast<const GLSLShader&>(*vertex);
    const auto& f = static_cast<const GLSLShader&>(*fragment);
    EXPECT_EQ(v.shaderType, static_cast<GLenum>(GL_VERTEX_SHADER));
    EXPECT_EQ(f.shaderType, static_cast<GLenum>(GL_FRAGMENT_SHADER));
    EXPECT_NE(v.handle, f.handle);
    GLint type = 0;
    glGetShaderiv(f.handle, GL_SHADER_TYPE, &type);
    EXPECT_EQ(type, GL_FRAGMENT_SHADER);
    EXPECT_EQ(compileStatus(*fragment), GL_FALSE); // construction only hands over the source
    fragment->compile();
    fragment->compile();
    EXPECT_EQ(compileStatus(*fragment), GL_TRUE);
    GLint length = 0;
    glGetShaderiv(f.handle, GL_SHADER_SOURCE_LENGTH, &length);
    EXPECT_EQ(length, static_cast<GLint>(std::string(kFragment).size() + 1));
}

TEST_F(ShaderGl, attachAndDetachReachTheProgramThroughTheShader) {
    LinkedProgram linked = linkPair(kVertex, kFragment);
    GLuint attached[4] = {};
    GLsizei count = 0;
    glGetAttachedShaders(glsl(linked).handle, 4, &count, attached);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(linkStatus(glsl(linked).handle), GL_TRUE);
    linked.program->detach(*linked.vertex);
    glGetAttachedShaders(glsl(linked).handle, 4, &count, attached);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(attached[0], static_cast<const GLSLShader&>(*linked.fragment).handle);
}

TEST_F(ShaderGl, missingSourceFileFailsTheLinkWithALog) {
    GLSLShaderFactory factory;
    const std::unique_ptr<Shader> vertex = factory.createVertexShader("/nonexistent/mult.vert");
    const std::unique_ptr<Shader> fragment =
        factory.createFragmentShader(writeTemp("terrains-ok.frag", kFragment).c_str());
    vertex->compile();
    fragment->compile();
    const std::unique_ptr<ShaderProgram> program = factory.createProgram();
    program->attach(*vertex);
    program->attach(*fragment);
    program->link();
    EXPECT_EQ(linkStatus(static_cast<GLSLShaderProgram&>(*program).handle), GL_FALSE);
    EXPECT_FALSE(program->getInfoLog().empty());
    drainGlErrors();
}

TEST_F(ShaderGl, uniformTheProgramLacksStoresMinusOneAndSetsNothing) {
    LinkedProgram linked = linkPair(kVertex, kFragment);
    linked.program->addUniform("missing");
    EXPECT_EQ(glsl(linked).uniformLocations.at("missing"), -1);
    linked.program->use();
    linked.program->setUniform("missing", 1.5f);
    linked.program->setUniform("missing", 3);
    linked.program->release();
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(ShaderGl, uniformsReachTheProgramByName) {
    LinkedProgram linked = linkPair(kVertex, kFragment);
    GLSLShaderProgram& program = glsl(linked);
    for (const char* name : {"lift", "shade", "flag"}) program.addUniform(name);
    program.use();
    program.setUniform("shade", 0.25f);
    program.setUniform("flag", 7);
    GLfloat shade = 0;
    GLint flag = 0;
    glGetUniformfv(program.handle, glGetUniformLocation(program.handle, "shade"), &shade);
    glGetUniformiv(program.handle, glGetUniformLocation(program.handle, "flag"), &flag);
    EXPECT_EQ(shade, 0.25f);
    EXPECT_EQ(flag, 7);
    program.release();
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(ShaderGl, registeringTwiceKeepsOneEntryWithTheLatestLocation) {
    LinkedProgram linked = linkPair(kVertex, kFragment);
    GLSLShaderProgram& program = glsl(linked);
    program.addUniform("shade");
    const GLint first = program.uniformLocations.at("shade");
    // Relink with a fragment shader that no longer uses the name: the refresh stores -1.
    GLSLShaderFactory factory;
    const std::unique_ptr<Shader> plain = factory.createFragmentShader(
        writeTemp("terrains-plain.frag", "void main() { gl_FragColor = vec4(1.0); }\n").c_str());
    plain->compile();
    program.detach(*linked.fragment);
    program.attach(*plain);
    program.link();
    program.addUniform("shade");
    EXPECT_NE(first, -1);
    EXPECT_EQ(program.uniformLocations.size(), 1u);
    EXPECT_EQ(program.uniformLocations.at("shade"), -1);
}

TEST_F(ShaderGl, unregisteredNameIsANoOpAndCreatesNoEntry) {
    LinkedProgram linked = linkPair(kVertex, kFragment);
    GLSLShaderProgram& program = glsl(linked);
    program.addUniform("shade");
    program.addUniform("flag");
    program.use();
    program.setUniform("shade", 0.5f);
    program.setUniform("flag", 2);
    // Whatever sits at location 0 keeps its value when an unknown name is set.
    program.setUniform("unknown", 9.0f);
    program.setUniform("unknown", 9);
    GLfloat shade = 0;
    GLint flag = 0;
    glGetUniformfv(program.handle, program.uniformLocations.at("shade"), &shade);
    glGetUniformiv(program.handle, program.uniformLocations.at("flag"), &flag);
    EXPECT_EQ(shade, 0.5f);
    EXPECT_EQ(flag, 2);
    EXPECT_EQ(program.uniformLocations.count("unknown"), 0u);
    program.release();
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(ShaderGl, useThenReleaseLeavesNoProgramCurrent) {
    LinkedProgram linked = linkPair(kVertex, kFragment);
    linked.program->use();
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), glsl(linked).handle);
    linked.program->release();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

TEST_F(ShaderGl, infoLogIsCutAt4999Characters) {
    // An unresolved function whose name alone is longer than the log buffer.
    const std::string name = "undefined" + std::string(6000, 'x');
    const std::string vertex = "#version 110\nfloat " + name + "(float v);\n" +
                               "void main() { gl_Position = ftransform() * " + name + "(1.0); }\n";
    LinkedProgram linked = linkPair(vertex, kFragment);
    GLint fullLength = 0;
    glGetProgramiv(glsl(linked).handle, GL_INFO_LOG_LENGTH, &fullLength);
    ASSERT_GT(fullLength, 5000) << "the link log is too short to show the cut";
    const std::string log = linked.program->getInfoLog();
    EXPECT_EQ(log.size(), 4999u);
    std::string full(static_cast<size_t>(fullLength), '\0');
    glGetProgramInfoLog(glsl(linked).handle, fullLength, nullptr, full.data());
    EXPECT_EQ(log, full.substr(0, 4999));
}
