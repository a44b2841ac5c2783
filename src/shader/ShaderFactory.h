#pragma once

#include "shader/Shader.h"
#include "shader/ShaderProgram.h"

#include <memory>

// Makes shaders and programs of one family, so their user names only the abstract classes.
class ShaderFactory {
public:
    virtual std::unique_ptr<Shader> createFragmentShader(const char* fileName) = 0;
    virtual std::unique_ptr<Shader> createVertexShader(const char* fileName) = 0;
    virtual std::unique_ptr<ShaderProgram> createProgram() = 0;
    virtual ~ShaderFactory() = default;
};

class GLSLShaderFactory : public ShaderFactory {
public:
    std::unique_ptr<Shader> createFragmentShader(const char* fileName) override;
    std::unique_ptr<Shader> createVertexShader(const char* fileName) override;
    std::unique_ptr<ShaderProgram> createProgram() override;
};

// The process-wide factory; the shader texturing fills it the first time it finds it empty.
extern std::unique_ptr<ShaderFactory> shaderFactory;
