#pragma once

#include "texturing/TexturingAlgorithm.h"

#include <memory>

class HeightMap;
class ImageFileTexture;
class ProceduralTexture;

// Whether two texture units and GL_ARB_multitexture are there to combine.
using MultitextureProbe = bool (*)();
bool queryMultitextureSupport();

// The colour texture on unit 0 with a detail map repeated 64 times across the map on unit 1,
// combined by modulation scaled by 2: mid-grey detail leaves the colour unchanged.
class MultitexturingAlgorithm : public TexturingAlgorithm {
public:
    const HeightMap* heightField;
    std::unique_ptr<ProceduralTexture> colourTexture;
    std::unique_ptr<ImageFileTexture> detailMap;
    // Without multitexturing the entry points are missing: the algorithm then draws as the
    // basic one does, on unit 0 alone.
    bool multitextureSupported;

    explicit MultitexturingAlgorithm(const HeightMap* heightField,
                                     MultitextureProbe probe = queryMultitextureSupport);
    ~MultitexturingAlgorithm() override;

    void texCoord(int x, int z, int corner) override;
    void enable() override;
    void disable() override;
};
