#pragma once

#include "texture/Texture.h"

#include <vector>

class HeightMap;

// The map's heights as one alpha byte per texel (height / maxHeight * 255), one texel per sample
// of the first `width` columns and `height` rows, for shaders that multiply the alpha back by
// the maximum height.
class HeightMapTexture : public Texture {
public:
    HeightMapTexture(const HeightMap* map, int width, int height);
};

// Truncated toward zero and held to 0 ... 255: the highest peaks stand up to one unit above
// maxHeight and must not wrap to 0. A maxHeight of 0 or below gives 0 everywhere.
unsigned char heightTexel(float height, float maxHeight);

// Rows from map row 0 upward, each padded to a multiple of 4 bytes.
std::vector<unsigned char> heightTexels(const HeightMap& map, int width, int height);
