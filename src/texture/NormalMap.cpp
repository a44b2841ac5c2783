#include "texture/NormalMap.h"

#include "terrain/HeightMap.h"

#include <cassert>

unsigned char normalComponentTexel(float component) {
    const float shifted = component + 1.0f;
    const float scaled = shifted * 127.0f;
    return clampToByte(scaled);
}

std::vector<unsigned char> normalTexels(const HeightMap& map, int width, int height) {
    assert(map.hasNormals() && "a normal map is built only from a map with normals");
    assert(width <= map.width && height <= map.length && "the texture covers part of the map");
    const int rowBytes = paddedRowBytes(width, 3);
    std::vector<unsigned char> texels(size_t(rowBytes) * height);
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            const float* n = &map.normals[(size_t(r) * map.width + c) * 3];
            unsigned char* texel = &texels[size_t(r) * rowBytes + size_t(c) * 3];
            texel[0] = normalComponentTexel(n[0]);
            texel[1] = normalComponentTexel(n[1]);
            texel[2] = normalComponentTexel(n[2]);
        }
    }
    return texels;
}

NormalMap::NormalMap(const HeightMap* map, int width, int height) {
    setWidth(width);
    setHeight(height);
    uploadLinear(GL_RGB, width, height, normalTexels(*map, width, height).data());
}
