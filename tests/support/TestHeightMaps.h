#pragma once

#include "terrain/HeightMap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>

// FNV-1a over `size` bytes, continuing from `hash`: pins a sequence of values bit for bit.
inline uint64_t fnv1a(const void* data, std::size_t size, uint64_t hash = 1469598103934665603ull) {
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
    return hash;
}

// A height map filled in memory, for tests that need a terrain but not a file.
class GridHeightMap : public HeightMap {
public:
    GridHeightMap(int width, int length, const std::function<float(int row, int column)>& height) {
        this->width = width;
        this->length = length;
        for (int r = 0; r < length; ++r)
            for (int c = 0; c < width; ++c) heights.push_back(height(r, c));
        for (const float h : heights) maxHeight = std::max(maxHeight, h);
    }
    void load() override {}
};
