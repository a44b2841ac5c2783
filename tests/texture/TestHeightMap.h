#pragma once

#include "terrain/HeightMap.h"

// A height map filled by the test itself.
class TestHeightMap : public HeightMap {
public:
    TestHeightMap(int columns, int rows, float maximum, float height = 0) {
        width = columns;
        length = rows;
        maxHeight = maximum;
        heights.assign(size_t(columns) * rows, height);
    }

    void load() override {}

    void set(int row, int column, float height) { heights[size_t(row) * width + column] = height; }
    void setAllNormals(float x, float y, float z) {
        normals.resize(heights.size() * 3);
        for (size_t i = 0; i < heights.size(); ++i) {
            normals[i * 3] = x;
            normals[i * 3 + 1] = y;
            normals[i * 3 + 2] = z;
        }
    }
};
