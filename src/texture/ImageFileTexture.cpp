#include "texture/ImageFileTexture.h"

#include <GL/glu.h>

#include <algorithm>
#include <iostream>

const char* const kErrorLoadingTexture = "Error loading texture: ";

GLenum imageFormat(int bitsPerPixel) {
    // note: the reader yields no 8-bit images (it rejects palette BMPs); one byte per pixel
    // would be grey.
    if (bitsPerPixel == 8) return GL_LUMINANCE;
    if (bitsPerPixel == 24) return GL_RGB;
    return GL_RGBA;
}

std::vector<unsigned char> alignedRows(const Image& image) {
    const size_t rowBytes = size_t(image.width) * (image.bitsPerPixel / 8);
    const size_t stride = size_t(paddedRowBytes(image.width, image.bitsPerPixel / 8));
    if (stride == rowBytes) return {};
    std::vector<unsigned char> aligned(stride * image.height);
    for (int row = 0; row < image.height; ++row)
        std::copy_n(&image.pixels[row * rowBytes], rowBytes, &aligned[row * stride]);
    return aligned;
}

ImageFileTexture::ImageFileTexture(const char* path) {
    loadTexture(path, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
}

bool ImageFileTexture::loadTexture(const char* path, GLenum minFilter, GLenum magFilter) {
    Image image = loadImage(path);
    if (image.failed) {
        std::cerr << kErrorLoadingTexture << path << "\n";
        return false;
    }
    const GLenum format = imageFormat(image.bitsPerPixel);

    // note: GL reads rows 4-byte aligned (its default, which the program keeps); packed rows of
    // another length are padded first, or the mipmap builder would read them askew and past the
    // end of the pixels.
    const std::vector<unsigned char> aligned = alignedRows(image);
    const unsigned char* pixels = aligned.empty() ? image.pixels.data() : aligned.data();

    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLfloat(minFilter));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLfloat(magFilter));
    gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), image.width, image.height, format,
                      GL_UNSIGNED_BYTE, pixels);
    return true; // the image's pixels are released with it
}
