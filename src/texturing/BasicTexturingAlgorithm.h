#pragma once

#include "texturing/TexturingAlgorithm.h"

#include <memory>

class HeightMap;
class ProceduralTexture;

// One generated height-banded colour texture stretched once over the whole map, on unit 0.
class BasicTexturingAlgorithm : public TexturingAlgorithm {
public:
    std::unique_ptr<ProceduralTexture> texture;
    const HeightMap* heightField;

    explicit BasicTexturingAlgorithm(const HeightMap* heightField);
    ~BasicTexturingAlgorithm() override;

    void texCoord(int x, int z, int corner) override;
    void enable() override;
    void disable() override;
};
