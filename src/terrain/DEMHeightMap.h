#pragma once

#include "terrain/HeightMap.h"

// A height map read from a USGS DEM file: record A, the header, then one B record per elevation
// profile, west to east, each running south to north.
class DEMHeightMap : public HeightMap {
public:
    bool generateNormals;
    const char* fileName; // not owned

    // Reads the file at once. A file that cannot be opened ends the process with status 1; a
    // file that cannot be loaded (truncated, malformed, too large, narrower or shorter than 2
    // samples) aborts it, with a message on standard error either way. The header report goes to
    // standard output, followed by the count of voids filled from their neighbours, if any.
    DEMHeightMap(const char* fileName, bool generateNormals);

    void load() override;
    void computeNormals();
};

// Fills map.normals from map.heights: at each sample the unit sum of the unit normals of the
// quadrants whose two neighbours exist. Needs a grid of at least 2 x 2.
void computeNormals(HeightMap& map);

// Messages of the loader.
extern const char* const demCannotOpenMessage;  // printf format: file name
extern const char* const demFilledVoidsMessage; // printf format: count
