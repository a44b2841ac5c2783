#include "shader/GLSLShaderProgram.h"

#include "shader/GLSLShader.h"

#include <memory>

GLSLShaderProgram::GLSLShaderProgram() : handle(glCreateProgram()) {}

void GLSLShaderProgram::attach(Shader& shader) {
    shader.attachTo(*this);
}
void GLSLShaderProgram::detach(Shader& shader) {
    shader.detachFrom(*this);
}
void GLSLShaderProgram::attachGLSLShader(GLSLShader& shader) {
    glAttachShader(handle, shader.handle);
}
void GLSLShaderProgram::detachGLSLShader(GLSLShader& shader) {
    glDetachShader(handle, shader.handle);
}
void GLSLShaderProgram::link() {
    glLinkProgram(handle);
}
void GLSLShaderProgram::use() {
    glUseProgram(handle);
}
void GLSLShaderProgram::release() {
    glUseProgram(0);
}

void GLSLShaderProgram::addUniform(std::string name) {
    // -1 is stored too: setting a uniform the program lacks is then a silent no-op.
    uniformLocations[name] = glGetUniformLocation(handle, name.c_str());
}

GLint GLSLShaderProgram::locationOf(const std::string& name) const {
    // note: an unregistered name answers -1 without creating an entry that would point at 0.
    const auto found = uniformLocations.find(name);
    return found == uniformLocations.end() ? -1 : found->second;
}

void GLSLShaderProgram::setUniform(std::string name, float value) {
    glUniform1f(locationOf(name), value);
}

void GLSLShaderProgram::setUniform(std::string name, int value) {
    glUniform1i(locationOf(name), value);
}

std::string GLSLShaderProgram::getInfoLog() {
    constexpr GLsizei kLogSize = 5000;
    std::unique_ptr<char[]> log(new char[kLogSize]);
    log[0] = '\0';
    if (glGetInfoLogARB)
        glGetInfoLogARB(handle, kLogSize, nullptr, log.get());
    else
        glGetProgramInfoLog(handle, kLogSize, nullptr, log.get());
    return std::string(log.get());
}
