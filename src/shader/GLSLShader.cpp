#include "shader/GLSLShader.h"

#include "app/DataFiles.h"
#include "shader/ShaderProgram.h"

#include <cstdio>

std::unique_ptr<char[]> readShaderSource(const char* fileName) {
    std::FILE* file = std::fopen(dataFile(fileName).c_str(), "rt");
    if (!file) return nullptr;
    std::unique_ptr<char[]> text;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    std::rewind(file);
    if (size >= 1) {
        text.reset(new char[static_cast<size_t>(size) + 1]);
        // note: text mode may deliver fewer bytes than the size; the NUL follows what arrived.
        const size_t delivered = std::fread(text.get(), 1, static_cast<size_t>(size), file);
        text[delivered] = '\0';
    }
    std::fclose(file);
    return text;
}

GLSLShader::GLSLShader(GLenum shaderType, const char* fileName) : shaderType(shaderType) {
    glewInit(); // repeated before every shader: the entry points must be loaded here
    handle = glCreateShader(shaderType);
    const std::unique_ptr<char[]> source = readShaderSource(fileName);
    // A missing or empty file compiles as an empty source, so the link log reports it.
    const char* text = source ? source.get() : "";
    glShaderSource(handle, 1, &text, nullptr);
}

void GLSLShader::compile() {
    glCompileShader(handle);
}
void GLSLShader::attachTo(ShaderProgram& program) {
    program.attachGLSLShader(*this);
}
void GLSLShader::detachFrom(ShaderProgram& program) {
    program.detachGLSLShader(*this);
}
