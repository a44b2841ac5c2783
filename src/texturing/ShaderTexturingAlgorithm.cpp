#include "texturing/ShaderTexturingAlgorithm.h"

#include "shader/ShaderFactory.h"
#include "terrain/HeightMap.h"
#include "texture/HeightMapTexture.h"
#include "texture/ImageFileTexture.h"
#include "texture/NormalMap.h"

#include <iostream>

const char* const kShadersUnavailableMessage = "OpenGL 2.0 not available! Shaders disabled\r\n";

const char* const kShaderUniformNames[24] = {"mytex[0]",      "mytex[1]",
                                             "mytex[2]",      "mytex[3]",
                                             "mytex[4]",      "mytex[5]",
                                             "normalMap",     "heightMap",
                                             "texturing",     "slopeTexturing",
                                             "lighting",      "normalTexture",
                                             "useDetailMap",  "triplanarTexturing",
                                             "textureLOD",    "levelRatio",
                                             "slopeCutoff",   "Theight",
                                             "Twidth",        "Tlength",
                                             "waterPosition", "triplanarCutoff",
                                             "texRep",        "detailRep"};

namespace {

const char* const kGroundTexturePaths[5] = {"textures/water.tga", "textures/beach_tile.tga",
                                            "textures/grass_tile.tga", "textures/highTile.tga",
                                            "textures/snow_tile.tga"};

} // namespace

ShaderTexturingAlgorithm::ShaderTexturingAlgorithm(const HeightMap* heightField, int length,
                                                   int width)
    : Tlength(length), Twidth(width), heightField(heightField) {
    shadersSupported = glewIsSupported("GL_VERSION_2_0");
    if (!shadersSupported) std::cerr << kShadersUnavailableMessage;
    // Without OpenGL 2.0 setup never runs, yet the keys and idle still move these fields.
    storeDefaults();
}

ShaderTexturingAlgorithm::~ShaderTexturingAlgorithm() = default;

void ShaderTexturingAlgorithm::storeDefaults() {
    texturing = true;
    slopeTexturing = true;
    lighting = true;
    normalTexture = false;
    useDetailMap = true;
    triplanarTexturing = false;
    textureLOD = true;
    levelRatio = 0.25f;
    slopeCutoff = 0.75f;
    triplanarCutoff = 0.4f;
    texRep = 10.0f;
    detailRep = 32.0f;
    waterTime = 0;
    waterSpeed = 0.00048828125f;
}

void ShaderTexturingAlgorithm::setup() {
    storeDefaults();
    for (int i = 4; i >= 0; --i)
        groundTextures[i] = std::make_unique<ImageFileTexture>(kGroundTexturePaths[i]);
    detailMap = std::make_unique<ImageFileTexture>(kDetailMapPath);
    if (heightField->hasNormals())
        normalMapTexture = std::make_unique<NormalMap>(heightField, Twidth, Tlength);
    heightTexture = std::make_unique<HeightMapTexture>(heightField, Tlength, Twidth);

    if (!shaderFactory) shaderFactory = std::make_unique<GLSLShaderFactory>();
    fragmentShader = shaderFactory->createFragmentShader("mult.frag");
    vertexShader = shaderFactory->createVertexShader("mult.vert");
    vertexShader->compile();
    fragmentShader->compile();
    program = shaderFactory->createProgram();
    program->attach(*vertexShader);
    program->attach(*fragmentShader);
    program->link();
    std::cout << program->getInfoLog();
    for (const char* name : kShaderUniformNames) program->addUniform(name);
}

void ShaderTexturingAlgorithm::texCoord(int, int, int) {}

Texture* ShaderTexturingAlgorithm::unitTexture(int unit) const {
    if (unit < 5) return groundTextures[unit].get();
    if (unit == 5) return detailMap.get();
    if (unit == 6) return normalMapTexture.get();
    return heightTexture.get();
}

float ShaderTexturingAlgorithm::waterPosition() const {
    return static_cast<float>(waterTime * static_cast<double>(waterSpeed));
}

void ShaderTexturingAlgorithm::enable() {
    program->use();
    glDisable(GL_BLEND);
    for (int i = 0; i < 8; ++i) {
        glActiveTextureARB(GL_TEXTURE0_ARB + i);
        glEnable(GL_TEXTURE_2D);
        // note: without normals unit 6 has no texture of its own and binds object 0.
        if (Texture* texture = unitTexture(i))
            texture->bind();
        else
            glBindTexture(GL_TEXTURE_2D, 0);
    }

    for (int i = 0; i < 8; ++i) program->setUniform(kShaderUniformNames[i], i);
    program->setUniform("texturing", texturing ? 1 : 0);
    program->setUniform("slopeTexturing", slopeTexturing ? 1 : 0);
    program->setUniform("lighting", lighting ? 1 : 0);
    program->setUniform("normalTexture", normalTexture ? 1 : 0);
    program->setUniform("useDetailMap", useDetailMap ? 1 : 0);
    program->setUniform("triplanarTexturing", triplanarTexturing ? 1 : 0);
    program->setUniform("textureLOD", textureLOD ? 1 : 0);
    program->setUniform("levelRatio", levelRatio);
    program->setUniform("slopeCutoff", slopeCutoff);
    program->setUniform("Theight", heightField->maxHeight);
    program->setUniform("Twidth", Twidth);
    program->setUniform("Tlength", Tlength);
    program->setUniform("waterPosition", waterPosition());
    program->setUniform("triplanarCutoff", triplanarCutoff);
    program->setUniform("texRep", texRep);
    program->setUniform("detailRep", detailRep);
}

void ShaderTexturingAlgorithm::disable() {
    program->release();
    for (int i = 1; i < 8; ++i) {
        glActiveTextureARB(GL_TEXTURE0_ARB + i);
        glDisable(GL_TEXTURE_2D);
        if (Texture* texture = unitTexture(i))
            texture->unbind();
        else
            glBindTexture(GL_TEXTURE_2D, 0);
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    groundTextures[0]->unbind();
}
