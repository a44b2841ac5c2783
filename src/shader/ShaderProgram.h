#pragma once

#include <string>

class GLSLShader;
class Shader;

// A linked program whose uniforms are set by name. Use it as: attach the shaders, link,
// addUniform every name that will be set; then per frame use, setUniform..., release.
class ShaderProgram {
public:
    virtual void attach(Shader& shader) = 0;
    virtual void detach(Shader& shader) = 0;
    virtual void attachGLSLShader(GLSLShader& shader) = 0;
    virtual void detachGLSLShader(GLSLShader& shader) = 0;
    virtual void link() = 0;
    virtual void use() = 0;
    virtual void release() = 0;
    virtual void addUniform(std::string name) = 0;
    virtual void setUniform(std::string name, float value) = 0;
    virtual void setUniform(std::string name, int value) = 0;
    virtual std::string getInfoLog() = 0;
    virtual ~ShaderProgram() = default;
};
