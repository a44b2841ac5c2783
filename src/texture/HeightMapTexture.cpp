#include "texture/HeightMapTexture.h"

#include "terrain/HeightMap.h"

#include <cassert>

unsigned char heightTexel(float height, float maxHeight) {
    if (!(maxHeight > 0)) return 0;
    const float ratio = height / maxHeight;
    const float scaled = ratio * 255.0f;
    if (!(scaled > 0)) return 0; // negative, or not a number
    if (scaled >= 255) return 255;
    return static_cast<unsigned char>(static_cast<int>(scaled));
}

std::vector<unsigned char> heightTexels(const HeightMap& map, int width, int height) {
    assert(width <= map.width && height <= map.length && "the texture covers part of the map");
    const int rowBytes = paddedRowBytes(width, 1);
    std::vector<unsigned char> texels(size_t(rowBytes) * height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            texels[size_t(r) * rowBytes + c] = heightTexel(map.at(r, c), map.maxHeight);
    return texels;
}

HeightMapTexture::HeightMapTexture(const HeightMap* map, int width, int height) {
    const std::vector<unsigned char> texels = heightTexels(*map, width, height);

    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, width, height, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                 texels.data());
    glEnable(GL_TEXTURE_2D);
}
