#include "texturing/BasicTexturingAlgorithm.h"

#include "terrain/HeightMap.h"
#include "texture/ProceduralTexture.h"

BasicTexturingAlgorithm::BasicTexturingAlgorithm(const HeightMap* heightField)
    : heightField(heightField) {
    texture = std::make_unique<ProceduralTexture>(heightField);
}

BasicTexturingAlgorithm::~BasicTexturingAlgorithm() = default;

void BasicTexturingAlgorithm::texCoord(int x, int z, int) {
    const float s = static_cast<float>(x) / static_cast<float>(heightField->width);
    const float t = static_cast<float>(z) / static_cast<float>(heightField->length);
    glTexCoord2f(s, t);
}

void BasicTexturingAlgorithm::enable() {
    glEnable(GL_TEXTURE_2D);
    texture->bind();
}

// note: GL_TEXTURE_2D stays enabled; the next algorithm's enable decides.
void BasicTexturingAlgorithm::disable() {
    texture->unbind();
}
