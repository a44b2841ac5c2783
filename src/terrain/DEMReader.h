#pragma once

#include <cstddef>
#include <string>

class HeightMap;

// The outcome of reading a DEM: the header report for standard output, in the order the lines
// were produced, and on failure the message for standard error.
struct DEMParse {
    bool ok = false;
    size_t voids = 0; // samples left NaN
    std::string report;
    std::string error;
};

// Fills width, length, maxHeight and heights of `map` from a USGS DEM held in memory, as GDAL
// reads it: record A by its columns, the grid's rows from its corners, each profile (B record)
// placed by the ground coordinates in its own header. Heights are the file's elevations (scaled
// by the z resolution, plus the profile's datum) divided by 20. Samples without an elevation
// (voids, and cells no profile covers) are NaN; at least one sample is not. Never ends the
// process: every failure comes back in the result, with the report up to that point, and leaves
// `map` as it was.
DEMParse parseDEM(const char* data, size_t size, HeightMap& map);

// Messages of the failures parseDEM reports.
extern const char* const demRecordAEndMessage;     // printf: size, field, first, last offset
extern const char* const demResolutionMessage;     // printf: the y resolution
extern const char* const demCornersMessage;        // printf: the y resolution
extern const char* const demGridSizeMessage;       // printf: width, length
extern const char* const demGridTooLargeMessage;   // printf: width, length, file size
extern const char* const demFirstProfileMessage;   // no arguments
extern const char* const demProfileEndMessage;     // printf: profile, its offset
extern const char* const demProfileNumberMessage;  // printf: profile, offset of the number
extern const char* const demProfileColumnMessage;  // printf: profile, offset, column, expected
extern const char* const demProfileHeaderMessage;  // printf: profile, offset, field
extern const char* const demProfileRowsMessage;    // printf: profile, offset, count, row, rows
extern const char* const demElevationRangeMessage; // printf: profile, offset
extern const char* const demAllVoidMessage;        // no arguments
extern const char* const demOutOfMemoryMessage;    // printf: width, length
