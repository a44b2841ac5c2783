#pragma once

class ShaderProgram;

// A shader object made from a source file. Attaching is a double dispatch: the program asks the
// shader, and the shader calls back the program's operation for its own concrete kind.
class Shader {
public:
    virtual void compile() = 0;
    virtual void attachTo(ShaderProgram& program) = 0;
    virtual void detachFrom(ShaderProgram& program) = 0;
    // note: destroying a shader releases the object only; the GL shader object lives on.
    virtual ~Shader() = default;
};
