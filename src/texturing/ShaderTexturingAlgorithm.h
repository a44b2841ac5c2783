#pragma once

#include "texturing/TexturingAlgorithm.h"

#include <memory>

class HeightMap;
class HeightMapTexture;
class ImageFileTexture;
class NormalMap;
class Shader;
class ShaderProgram;
class Texture;

// Colours the terrain with the GLSL pair mult.vert and mult.frag, fed with eight textures and
// 24 uniforms every frame. Needs OpenGL 2.0; without it the object exists but is never set up.
class ShaderTexturingAlgorithm : public TexturingAlgorithm {
public:
    // Fields named after a uniform feed the uniform of that name.
    int Tlength;
    int Twidth;
    bool shadersSupported;
    bool texturing;
    bool slopeTexturing;
    bool lighting;
    bool normalTexture;
    bool useDetailMap;
    bool triplanarTexturing;
    bool textureLOD;
    std::unique_ptr<ShaderProgram> program;
    const HeightMap* heightField;
    float levelRatio;
    float slopeCutoff;
    float triplanarCutoff;
    float texRep;
    float detailRep;
    int waterTime;                                       // idle calls, advanced by the shell
    float waterSpeed;                                    // water movement per idle call
    std::unique_ptr<ImageFileTexture> groundTextures[5]; // water, beach, grass, rock, snow
    std::unique_ptr<ImageFileTexture> detailMap;
    std::unique_ptr<NormalMap> normalMapTexture; // null when the map has no normals
    std::unique_ptr<HeightMapTexture> heightTexture;
    std::unique_ptr<Shader> vertexShader;
    std::unique_ptr<Shader> fragmentShader;

    // length and width: the grid extent the shaders see (the renderer's grid size minus one).
    ShaderTexturingAlgorithm(const HeightMap* heightField, int length, int width);
    ~ShaderTexturingAlgorithm() override;

    // Parameter defaults, textures, shaders and program; only when shadersSupported.
    void setup();

    void texCoord(int x, int z, int corner) override;
    void enable() override;
    void disable() override;

    float waterPosition() const;

private:
    void storeDefaults();
    Texture* unitTexture(int unit) const; // the texture bound on units 0 to 7
};

extern const char* const kShadersUnavailableMessage;
// The uniforms the shaders are given, registered and sent in this order.
extern const char* const kShaderUniformNames[24];
