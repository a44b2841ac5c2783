#pragma once

#include "terrain/HeightMap.h"

#include <string>

// A height map read through GDAL from band 1 of any raster it opens (GeoTIFF, SRTM .hgt, Esri
// ASCII grid, ...): heights in twentieths of the file's elevation unit as for a DEM, row 0 the
// northern edge, no-data samples filled from their neighbours.
class GDALHeightMap : public HeightMap {
public:
    std::string fileName;
    bool generateNormals;

    // Reads the file at once, the header report on standard output. A file GDAL cannot open or
    // read, or one without a single elevation, ends the process with status 1 and the reason.
    GDALHeightMap(const std::string& fileName, bool generateNormals);

    void load() override;
};

// The outcome of reading a raster: the header report for standard output and, on failure, the
// message for standard error.
struct RasterRead {
    bool ok = false;
    std::string report;
    std::string error;
};

// Fills width, length, maxHeight and heights of `map` from band 1 of the raster, voids filled.
// Never ends the process: on failure `map` is left as it was.
RasterRead readRaster(const char* fileName, HeightMap& map);
