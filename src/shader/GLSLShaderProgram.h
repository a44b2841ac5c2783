#pragma once

#include "shader/ShaderProgram.h"

#include <GL/glew.h>

#include <map>
#include <string>

// A GLSL program object. Uniform locations are asked of GL once, when a name is registered, so
// setting two dozen uniforms per frame costs a map lookup and one GL call each.
class GLSLShaderProgram : public ShaderProgram {
public:
    GLuint handle;
    std::map<std::string, GLint> uniformLocations;

    GLSLShaderProgram();

    void attach(Shader& shader) override;
    void detach(Shader& shader) override;
    void attachGLSLShader(GLSLShader& shader) override;
    void detachGLSLShader(GLSLShader& shader) override;
    void link() override;
    void use() override;
    void release() override;
    void addUniform(std::string name) override;
    void setUniform(std::string name, float value) override;
    void setUniform(std::string name, int value) override;
    std::string getInfoLog() override;

private:
    GLint locationOf(const std::string& name) const;
};
