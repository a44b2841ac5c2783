#include "texture/Texture.h"

void Texture::bind() {
    glBindTexture(GL_TEXTURE_2D, textureId);
}
void Texture::unbind() {
    glBindTexture(GL_TEXTURE_2D, 0);
}
void Texture::setWidth(int value) {
    width = value;
}
void Texture::setHeight(int value) {
    height = value;
}

void Texture::uploadLinear(GLenum format, int width, int height, const unsigned char* texels) {
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE,
                 texels);
    glEnable(GL_TEXTURE_2D);
}
