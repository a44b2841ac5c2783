#pragma once

#include "texture/Texture.h"

#include <vector>

// One triangle in barycentric coordinates with a dark contour line inside it, stretched over
// every mesh triangle to show the mesh. Corners: texel (row 0, column 0) where a = 1,
// (row 0, column 127) where c = 1, (row 127, column 127) where b = 1.
class TriGridTexture : public Texture {
public:
    TriGridTexture();
    ~TriGridTexture() override;
};

constexpr int kTriGridSize = 128;

struct TexelColour {
    unsigned char r, g, b;
};

// Colour for the barycentric product v = a * b * c: (231, 242, 228) on the edges (v = 0),
// (30, 0, 0) on the contour v = 0.02.
TexelColour triGridColour(float v);

// 128 x 128 texels, R, G, B, A (A = 0), row i = 0 ... 127 first.
std::vector<unsigned char> triGridTexels();
