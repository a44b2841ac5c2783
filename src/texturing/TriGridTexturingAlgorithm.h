#pragma once

#include "texturing/TexturingAlgorithm.h"

#include <memory>

class TriGridTexture;

// Shows the mesh itself: every triangle gets the same texture triangle, corner for corner.
class TriGridTexturingAlgorithm : public TexturingAlgorithm {
public:
    std::unique_ptr<TriGridTexture> texture;
    // note: pulled in from the texture's border by 1/256 so clamped sampling never reaches it.
    float cornerTexCoords[3][2];

    TriGridTexturingAlgorithm();
    ~TriGridTexturingAlgorithm() override;

    void texCoord(int x, int z, int corner) override;
    void enable() override;
    void disable() override;
};
