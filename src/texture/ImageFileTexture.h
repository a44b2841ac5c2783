#pragma once

#include "texture/Image.h"
#include "texture/Texture.h"

#include <vector>

// A mipmapped texture of a BMP or TGA file. A file that does not load leaves textureId at 0,
// reported on standard error; the object stays usable.
class ImageFileTexture : public Texture {
public:
    explicit ImageFileTexture(const char* path);

    bool loadTexture(const char* path, GLenum minFilter, GLenum magFilter);
};

// The GL format an image is uploaded with, by its bits per pixel: 8 gives GL_LUMINANCE, 24
// GL_RGB, anything else GL_RGBA.
GLenum imageFormat(int bitsPerPixel);

// The image's rows padded to GL's default unpack alignment of 4 bytes; empty when they already
// are.
std::vector<unsigned char> alignedRows(const Image& image);

extern const char* const kErrorLoadingTexture;
