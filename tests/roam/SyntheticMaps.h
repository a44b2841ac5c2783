#pragma once

#include "terrain/HeightMap.h"

#include <cmath>
#include <cstdint>
#include <functional>

// Height maps made in memory for the mesh's tests and benchmarks.
class SyntheticHeightMap : public HeightMap {
public:
    using Shape = std::function<float(int column, int row)>;

    SyntheticHeightMap(int width, int length, Shape shape) : shape_(std::move(shape)) {
        this->width = width;
        this->length = length;
        load();
    }

    void load() override {
        heights.assign(static_cast<std::size_t>(width) * length, 0.0f);
        maxHeight = 0;
        for (int row = 0; row < length; ++row)
            for (int column = 0; column < width; ++column) {
                const float h = shape_(column, row);
                heights[static_cast<std::size_t>(row) * width + column] = h;
                if (h > maxHeight) maxHeight = h;
            }
    }

private:
    Shape shape_;
};

// A small deterministic generator, so that maps and flights repeat on every machine.
class SplitMix {
public:
    explicit SplitMix(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; } // [0, 1)
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

private:
    uint64_t state_;
};

inline float hashNoise(int x, int z, uint32_t seed) {
    uint32_t h =
        static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(z) * 668265263u + seed;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xffff) / 65535.0f;
}

// An island like the default map's: a 1201 x 1201 grid of sea at height 0 with volcanic peaks
// up to about 210 units, heights in twentieths of whole metres as a DEM gives them, so that many
// triangles share an error (all of the sea has error 0).
inline SyntheticHeightMap islandMap(int side = 1201, uint32_t seed = 7) {
    return SyntheticHeightMap(side, side, [side, seed](int x, int z) {
        const double u = static_cast<double>(x) / (side - 1),
                     v = static_cast<double>(z) / (side - 1);
        const double peaks[3][4] = {
            {0.45, 0.55, 0.18, 4200}, {0.62, 0.40, 0.12, 3000}, {0.35, 0.35, 0.08, 1800}};
        double metres = 0;
        for (const auto& p : peaks) {
            const double d = std::hypot(u - p[0], v - p[1]) / p[2];
            if (d < 1) metres += p[3] * (1 - d) * (1 - d);
        }
        if (metres <= 0) return 0.0f;
        metres += 150 * hashNoise(x, z, seed) + 400 * hashNoise(x / 16, z / 16, seed + 1);
        return static_cast<float>(std::floor(metres) / 20.0);
    });
}

// Rough random terrain: every sample independent, so every triangle has its own error.
inline SyntheticHeightMap noiseMap(int side, uint32_t seed) {
    return SyntheticHeightMap(side, side,
                              [seed](int x, int z) { return 100.0f * hashNoise(x, z, seed); });
}

inline SyntheticHeightMap flatMap(int width, int length, float height = 0.0f) {
    return SyntheticHeightMap(width, length, [height](int, int) { return height; });
}
