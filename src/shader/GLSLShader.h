#pragma once

#include "shader/Shader.h"

#include <GL/glew.h>

#include <memory>

// The file's text with a terminating NUL, or null when it cannot be opened or is empty.
std::unique_ptr<char[]> readShaderSource(const char* fileName);

// A GLSL shader object holding its file's source, not yet compiled.
class GLSLShader : public Shader {
public:
    GLuint handle = 0;
    GLenum shaderType;

    void compile() override;
    void attachTo(ShaderProgram& program) override;
    void detachFrom(ShaderProgram& program) override;

protected:
    GLSLShader(GLenum shaderType, const char* fileName);
};

class GLSLVertexShader : public GLSLShader {
public:
    explicit GLSLVertexShader(const char* fileName) : GLSLShader(GL_VERTEX_SHADER, fileName) {}
};

class GLSLFragmentShader : public GLSLShader {
public:
    explicit GLSLFragmentShader(const char* fileName) : GLSLShader(GL_FRAGMENT_SHADER, fileName) {}
};
