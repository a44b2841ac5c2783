#include "texture/HeightMapTexture.h"

#include "terrain/HeightMap.h"

#include <cassert>

unsigned char heightTexel(float height, float maxHeight) {
    if (!(maxHeight > 0)) return 0;
    const float ratio = height / maxHeight;
    const float scaled = ratio * 255.0f;
    return clampToByte(scaled);
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
    uploadLinear(GL_ALPHA, width, height, heightTexels(*map, width, height).data());
}
