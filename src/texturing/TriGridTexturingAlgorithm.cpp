#include "texturing/TriGridTexturingAlgorithm.h"

#include "texture/TriGridTexture.h"

TriGridTexturingAlgorithm::TriGridTexturingAlgorithm()
    : texture(std::make_unique<TriGridTexture>()), cornerTexCoords{{1.0f / 256, 1.0f / 256},
                                                                   {255.0f / 256, 1.0f / 256},
                                                                   {255.0f / 256, 255.0f / 256}} {}

TriGridTexturingAlgorithm::~TriGridTexturingAlgorithm() = default;

void TriGridTexturingAlgorithm::texCoord(int, int, int corner) {
    glTexCoord2fv(cornerTexCoords[corner]);
}

void TriGridTexturingAlgorithm::enable() {
    glEnable(GL_TEXTURE_2D);
    texture->bind();
}

void TriGridTexturingAlgorithm::disable() {
    texture->unbind();
}
