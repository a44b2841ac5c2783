#include "terrain/HeightMapFile.h"

#include "terrain/DEMHeightMap.h"
#include "terrain/GDALHeightMap.h"
#include "terrain/MapFit.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// Record A's integer fields are six columns wide, right-aligned; zero-based start columns.
constexpr std::size_t kLevelColumn = 144;
constexpr std::size_t kPatternColumn = 150;
constexpr std::size_t kGroundUnitColumn = 528;
constexpr std::size_t kElevationUnitColumn = 534;
constexpr std::size_t kFieldWidth = 6;
constexpr std::size_t kHeaderNeeded = kElevationUnitColumn + kFieldWidth;

// The six-column integer field at `column` when it holds one in [low, high], blanks around it.
bool fieldIn(const char* header, std::size_t column, int low, int high) {
    const char* p = header + column;
    const char* end = p + kFieldWidth;
    while (p < end && *p == ' ') ++p;
    int value = 0, digits = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p, ++digits) value = value * 10 + (*p - '0');
    while (p < end && *p == ' ') ++p;
    return p == end && digits > 0 && value >= low && value <= high;
}

} // namespace

bool looksLikeUSGSDEM(const char* header, std::size_t size) {
    return size >= kHeaderNeeded && fieldIn(header, kLevelColumn, 1, 4) &&
           fieldIn(header, kPatternColumn, 1, 2) && fieldIn(header, kGroundUnitColumn, 0, 3) &&
           fieldIn(header, kElevationUnitColumn, 1, 2);
}

HeightMap* loadHeightMap(const std::string& path, bool fit) {
    char header[kHeaderNeeded] = {};
    std::size_t size = 0;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        size = std::fread(header, 1, sizeof header, file);
        std::fclose(file);
    }
    // note: GDAL is loaded only for a map that needs it; the default island never does.
    HeightMap* map = looksLikeUSGSDEM(header, size)
                         ? static_cast<HeightMap*>(new DEMHeightMap(path.c_str(), !fit))
                         : new GDALHeightMap(path, !fit);
    if (!fit) return map;

    const MapFit fitted = fitToMesh(*map);
    std::fputs(fitted.report.c_str(), stdout);
    if (!fitted.ok) {
        std::fflush(stdout);
        std::fputs(fitted.error.c_str(), stderr);
        std::exit(1);
    }
    try {
        computeNormals(*map);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "Not enough memory for the normals of a %d x %d map\n", map->width,
                     map->length);
        std::exit(1);
    }
    return map;
}
