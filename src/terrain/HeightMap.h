#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// A file's elevation units per height unit.
constexpr int kElevationsPerHeight = 20;

// The terrain's height field, read by every subsystem. Sample (row r, column c) stands at
// world position x = c, y = heights[r * width + c], z = r; one height unit is a twentieth of the
// file's elevation unit.
class HeightMap {
public:
    int width = 0;  // columns: elevation profiles, west to east
    int length = 0; // rows: elevations per profile
    float maxHeight = 0;
    std::vector<float> heights; // width * length
    std::vector<float> normals; // unit normal of sample i at 3 * i; empty unless generated

    virtual void load() = 0;
    // note: virtual so that maps owned through this interface release their arrays.
    virtual ~HeightMap() = default;

    // Takes a reader's grid of heights; the maximum, in the file's elevation unit, is divided as
    // an integer, as the header report prints it.
    void setGrid(int columns, int rows, int maxElevation, std::vector<float>&& samples) {
        width = columns;
        length = rows;
        maxHeight = float(maxElevation / kElevationsPerHeight);
        heights = std::move(samples);
    }

    bool hasNormals() const { return !normals.empty(); }
    float at(int row, int column) const {
        return heights[static_cast<std::size_t>(row) * width + column];
    }
};
