#include "shader/ShaderFactory.h"

#include "shader/GLSLShader.h"
#include "shader/GLSLShaderProgram.h"

std::unique_ptr<ShaderFactory> shaderFactory;

std::unique_ptr<Shader> GLSLShaderFactory::createFragmentShader(const char* fileName) {
    return std::make_unique<GLSLFragmentShader>(fileName);
}

std::unique_ptr<Shader> GLSLShaderFactory::createVertexShader(const char* fileName) {
    return std::make_unique<GLSLVertexShader>(fileName);
}

std::unique_ptr<ShaderProgram> GLSLShaderFactory::createProgram() {
    return std::make_unique<GLSLShaderProgram>();
}
