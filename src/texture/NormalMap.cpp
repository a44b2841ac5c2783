#include "texture/NormalMap.h"

#include "terrain/HeightMap.h"

#include <cassert>

unsigned char normalComponentTexel(float component) {
    const float shifted = component + 1.0f;
    const float scaled = shifted * 127.0f;
    if (!(scaled > 0)) return 0; // also a normal that is not a number
    if (scaled >= 255) return 255;
    return static_cast<unsigned char>(static_cast<int>(scaled));
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
    const std::vector<unsigned char> texels = normalTexels(*map, width, height);

    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 texels.data());
    glEnable(GL_TEXTURE_2D);
}
