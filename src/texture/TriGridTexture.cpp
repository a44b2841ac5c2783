#include "texture/TriGridTexture.h"

#include <cmath>

TexelColour triGridColour(float v) {
    const float distance = std::fabs(v - 0.02f);
    const float root = std::sqrt(1.5f * distance);
    const float scaled = 1400.0f * root;
    const float limited = scaled < 255.0f ? scaled : 255.0f; // 255 and above outside the triangle
    const int e = static_cast<int>(std::floor(limited));
    TexelColour colour;
    colour.r = static_cast<unsigned char>(e * e / 290 + 30);
    colour.g = static_cast<unsigned char>(e);
    colour.b = static_cast<unsigned char>(e >= 128 ? 2 * e - 256 : 0);
    return colour;
}

std::vector<unsigned char> triGridTexels() {
    const float last = kTriGridSize - 1;
    std::vector<unsigned char> texels(size_t(kTriGridSize) * kTriGridSize * 4);
    for (int i = 0; i < kTriGridSize; ++i) {
        for (int n = 0; n < kTriGridSize; ++n) {
            const float a = float(kTriGridSize - 1 - n) / last;
            const float b = float(i) / last;
            const float c = float(n - i) / last; // negative outside the triangle
            const float ab = a * b;
            const float v = ab * c;
            const TexelColour colour = triGridColour(v);
            unsigned char* texel = &texels[(size_t(i) * kTriGridSize + n) * 4];
            texel[0] = colour.r;
            texel[1] = colour.g;
            texel[2] = colour.b;
            texel[3] = 0;
        }
    }
    return texels;
}

TriGridTexture::TriGridTexture() {
    const std::vector<unsigned char> texels = triGridTexels();

    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    // Allocate as RGB, then fill from RGBA texels: the alpha bytes are dropped.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kTriGridSize, kTriGridSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kTriGridSize, kTriGridSize, GL_RGBA, GL_UNSIGNED_BYTE,
                    texels.data());
    glEnable(GL_TEXTURE_2D);
}

// note: releases the object only; the GL texture stays, like every texture of the program.
TriGridTexture::~TriGridTexture() = default;
