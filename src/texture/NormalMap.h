#pragma once

#include "texture/Texture.h"

#include <vector>

class HeightMap;

// The map's unit normals as RGB texels, (n + 1) * 127 per component, one texel per sample of the
// first `width` columns and `height` rows. The map must carry normals.
class NormalMap : public Texture {
public:
    NormalMap(const HeightMap* map, int width, int height);
};

// -1 gives 0, 0 gives 127 and +1 gives 254; truncated toward zero and held to 0 ... 255.
unsigned char normalComponentTexel(float component);

// Rows from map row 0 upward, R, G, B per texel, each row padded to a multiple of 4 bytes.
std::vector<unsigned char> normalTexels(const HeightMap& map, int width, int height);
