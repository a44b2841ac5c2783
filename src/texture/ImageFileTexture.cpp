#include "texture/ImageFileTexture.h"

#include "texture/Image.h"

#include <GL/glu.h>

#include <iostream>

const char* const kErrorLoadingTexture = "Error loading texture: ";

GLenum imageFormat(int bitsPerPixel) {
    // note: the reader yields no 8-bit images (it rejects palette BMPs); one byte per pixel
    // would be grey.
    if (bitsPerPixel == 8) return GL_LUMINANCE;
    if (bitsPerPixel == 24) return GL_RGB;
    return GL_RGBA;
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

    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLfloat(minFilter));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLfloat(magFilter));
    // note: image rows are packed; at the default alignment of 4 the mipmap builder would read
    // rows whose length is not a multiple of 4 from the wrong place and past the pixels' end.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), image.width, image.height, format,
                      GL_UNSIGNED_BYTE, image.pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return true; // the image's pixels are released with it
}
