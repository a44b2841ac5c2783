#include "texturing/MultitexturingAlgorithm.h"

#include "terrain/HeightMap.h"
#include "texture/ImageFileTexture.h"
#include "texture/ProceduralTexture.h"

#include <iostream>

static const char* const kNoMultitexture1 = "Warning - attempting MultiTexturing ";
static const char* const kNoMultitexture2 = "but OpenGL extension not available\n";

bool queryMultitextureSupport() {
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    return units >= 2 && glewIsSupported("GL_ARB_multitexture");
}

MultitexturingAlgorithm::MultitexturingAlgorithm(const HeightMap* heightField,
                                                 MultitextureProbe probe)
    : heightField(heightField) {
    colourTexture = std::make_unique<ProceduralTexture>(heightField);
    detailMap = std::make_unique<ImageFileTexture>(kDetailMapPath);
    multitextureSupported = probe();
    if (!multitextureSupported) std::cerr << kNoMultitexture1 << kNoMultitexture2;
}

MultitexturingAlgorithm::~MultitexturingAlgorithm() = default;

void MultitexturingAlgorithm::texCoord(int x, int z, int) {
    const float s = static_cast<float>(x) / static_cast<float>(heightField->width);
    const float t = static_cast<float>(z) / static_cast<float>(heightField->length);
    if (!multitextureSupported) {
        glTexCoord2f(s, t);
        return;
    }
    glMultiTexCoord2fARB(GL_TEXTURE0_ARB, s, t);
    glMultiTexCoord2fARB(GL_TEXTURE1_ARB, s * 64, t * 64);
}

void MultitexturingAlgorithm::enable() {
    if (!multitextureSupported) {
        glEnable(GL_TEXTURE_2D);
        colourTexture->bind();
        return;
    }
    glDisable(GL_BLEND);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    colourTexture->bind();
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    detailMap->bind();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, 2);
}

void MultitexturingAlgorithm::disable() {
    if (!multitextureSupported) {
        colourTexture->unbind();
        return;
    }
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    detailMap->unbind();
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    colourTexture->unbind();
    glEnable(GL_BLEND);
}
