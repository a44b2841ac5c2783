#pragma once

#include <string>

class HeightMap;

// The largest side --fit resamples to.
constexpr int kLargestFitSide = 4097;

// The side a width x length map is resampled to so that the mesh covers all of it: the smallest
// 2^k + 1 (k >= 1) not below its larger side, at most kLargestFitSide.
int fitSide(int width, int length);

// The outcome of fitting: a line for the report when the map was resampled and, on failure, the
// message for standard error.
struct MapFit {
    bool ok = false;
    std::string report;
    std::string error;
};

// Resamples the map's heights, voids already filled, to a fitSide x fitSide grid with GDAL's
// bilinear resampling; a map that is not square is stretched, each grid step staying one world
// unit. A map of that size already is left alone. Normals, if any, are dropped: they are
// computed from the resampled heights. On failure the map is left as it was.
MapFit fitToMesh(HeightMap& map);
