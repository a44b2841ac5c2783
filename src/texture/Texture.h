#pragma once

#include <GL/glew.h>

// An OpenGL 2-D texture object. A derived class builds and uploads its texels once in its
// constructor (the GL context must be current); afterwards the texture is only bound.
class Texture {
public:
    GLuint textureId = 0; // 0 when no texture could be made: binding it unbinds
    int width = 0;        // recorded by NormalMap only
    int height = 0;

    Texture() = default;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    // note: virtual so that textures dropped through this interface free their memory; the GL
    // texture object itself is never deleted.
    virtual ~Texture() = default;

    // On the active texture unit; callers enable GL_TEXTURE_2D and choose the unit themselves.
    virtual void bind();
    virtual void unbind();
    virtual void setWidth(int value);
    virtual void setHeight(int value);

protected:
    // The generated textures' upload: a new name, bound, linear filters, no mipmaps, level 0 in
    // `format` both inside and out; then GL_TEXTURE_2D is enabled.
    void uploadLinear(GLenum format, int width, int height, const unsigned char* texels);
};

// A texel byte from a value meant to lie in 0 to 255: truncated, and clamped rather than wrapped;
// not a number gives 0.
inline unsigned char clampToByte(float scaled) {
    if (!(scaled > 0)) return 0;
    if (scaled >= 255) return 255;
    return static_cast<unsigned char>(static_cast<int>(scaled));
}

// Bytes per texel row once padded to GL's default unpack alignment of 4.
inline int paddedRowBytes(int texels, int bytesPerTexel) {
    return (texels * bytesPerTexel + 3) & ~3;
}
