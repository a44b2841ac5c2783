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
