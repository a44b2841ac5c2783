#pragma once

#include <cstddef>
#include <string>

class HeightMap;

// True when the bytes begin like a USGS DEM's record A: its level, pattern and unit codes in
// their fixed columns.
bool looksLikeUSGSDEM(const char* header, std::size_t size);

// Reads the map in `path`, choosing the reader by content: a USGS DEM goes to the project's own
// reader, anything else to GDAL. With `fit` the map is resampled to a side the mesh covers whole
// (fitToMesh). Normals are computed last. A file that cannot be read ends the process with a
// message, as each reader does.
HeightMap* loadHeightMap(const std::string& path, bool fit);
