#include "terrain/DEMReader.h"

#include "app/Printable.h"
#include "terrain/HeightMap.h"
#include "terrain/ReportText.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

const char* const demRecordAEndMessage =
    "Invalid DEM file: the file ends at byte offset %zu, in record A's %s (offsets %d to %d)\n";
const char* const demResolutionMessage =
    "Invalid DEM file: record A's y resolution (offset 828) is %g; it must be above 0\n";
const char* const demCornersMessage =
    "Invalid DEM file: record A's corners (offsets 546 to 737) give no grid at a y resolution "
    "of %g\n";
const char* const demGridSizeMessage =
    "Invalid DEM file: a grid of %d x %d samples; at least 2 x 2 are needed\n";
const char* const demGridTooLargeMessage =
    "Invalid DEM file: a grid of %d x %d samples is more than a file of %zu bytes holds\n";
const char* const demFirstProfileMessage =
    "Invalid DEM file: no profile of row 1, column 1 starts at byte offset 864, 893 or 918, "
    "nor of row 1, column 0 or 1 at 1024\n";
const char* const demProfileEndMessage =
    "Invalid DEM file: profile %d (from byte offset %zu) runs past the end of the file\n";
const char* const demProfileNumberMessage =
    "Invalid DEM file: profile %d: the number at byte offset %zu is not an integer\n";
const char* const demProfileColumnMessage =
    "Invalid DEM file: profile %d (at byte offset %zu) states column %lld; the grid's next "
    "column is %d\n";
const char* const demProfileHeaderMessage =
    "Invalid DEM file: profile %d (at byte offset %zu): its %s is not a number\n";
const char* const demProfileRowsMessage =
    "Invalid DEM file: profile %d (at byte offset %zu): %lld elevations from y = %.10g do not "
    "fit the grid's %d rows from y = %.10g\n";
const char* const demElevationRangeMessage =
    "Invalid DEM file: profile %d: the elevation at byte offset %zu is out of range\n";
const char* const demAllVoidMessage = "Invalid DEM file: every sample is void\n";
const char* const demOutOfMemoryMessage = "Not enough memory for a DEM of %d x %d samples\n";

namespace {

constexpr int nameLength = 143;
constexpr size_t blockSize = 1024;
constexpr int64_t voidElevation = -32767;
constexpr float voidValue = -32767.0f;

// The C locale's isspace set, looked up without a library call per character.
struct SpaceTable {
    bool space[256] = {};
    SpaceTable() {
        for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) space[c] = true;
    }
};
const SpaceTable spaceTable;

inline bool isSpace(unsigned char c) {
    return spaceTable.space[c];
}
inline bool isDigit(unsigned char c) {
    return unsigned(c - '0') < 10;
}

// --- Record A, by its columns -------------------------------------------------------------------

// A fixed-width field of record A: its offset from the start of the file (the standard's column
// less one) and its width.
struct Field {
    int offset, width;
    const char* name;
    size_t end() const { return size_t(offset + width); }
};

const Field levelField{144, 6, "DEM level code"};
const Field patternField{150, 6, "elevation pattern code"};
const Field referenceSystemField{156, 6, "planimetric reference system code"};
const Field zoneField{162, 6, "zone code"};
const Field groundUnitField{528, 6, "ground unit code"};
const Field elevationUnitField{534, 6, "elevation unit code"};
const Field sidesField{540, 6, "number of polygon sides"};
const Field cornersField{546, 192, "corner coordinates"};
const Field minimumField{738, 24, "minimum elevation"};
const Field maximumField{762, 24, "maximum elevation"};
const Field resolutionField{816, 36, "spatial resolution"};
const Field columnsField{858, 6, "number of columns"};

// Like atoi within the field: blanks, a sign, digits; a blank field reads 0.
int intField(const char* data, const Field& field) {
    const char* p = data + field.offset;
    const char* const end = p + field.width;
    while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    int value = 0; // six digits at most: no overflow
    for (; p < end && isDigit(static_cast<unsigned char>(*p)); ++p) value = value * 10 + (*p - '0');
    return negative ? -value : value;
}

// Like atof within `width` bytes, after every 'D' becomes 'E' (Fortran double exponents).
double realField(const char* data, size_t offset, int width) {
    char text[25];
    std::memcpy(text, data + offset, size_t(width));
    text[width] = '\0';
    for (int i = 0; i < width; ++i)
        if (text[i] == 'D') text[i] = 'E';
    return std::strtod(text, nullptr);
}

const char* planimetricUnitWord(int code) {
    return code == 3 ? "arc-seconds" : "??";
}
const char* elevationUnitWord(int code) {
    return code == 2 ? "metres" : "??";
}

// The rows of the grid and where a profile's first elevation falls among them. note: GDAL's
// arithmetic, step for step (geographic coordinates in degrees, projected extents snapped out to
// whole rows), so that a profile starting half a row off lands in the same row as there.
struct RowPlacement {
    bool degrees;
    double south, step; // the southern row and the step north, in degrees or ground units
    int rows;

    // False when the corners or the resolution cannot give a grid.
    bool fromCorners(const double corners[8], int referenceSystem, double resolution) {
        double low = std::min(corners[1], corners[7]), high = std::max(corners[3], corners[5]);
        degrees = referenceSystem != 1 && referenceSystem != 2; // not UTM, not state plane
        if (!degrees) {
            low = std::floor(low / resolution) * resolution;
            high = std::ceil(high / resolution) * resolution;
        }
        const double count = (high - low) / resolution + 1.5;
        if (!(count >= 1 && count < double(INT_MAX))) return false;
        rows = int(count);
        const double top = degrees ? (high + resolution / 2) / 3600 : high + resolution / 2;
        step = degrees ? -resolution / 3600 : -resolution;
        south = top + (rows - 0.5) * step;
        return true;
    }

    // Rows above the southern one at which a profile starting at ground y begins, truncated
    // toward zero; -1 when that is not in the grid.
    int rowFromSouth(double y) const {
        const double t = (south - (degrees ? y / 3600 : y)) / step + 0.5;
        return t > -1 && t < rows ? int(t) : -1;
    }
    double southY() const { return degrees ? south * 3600 : south; }
};

// Two integers as GDAL's search for the first profile reads them: blanks skipped, then a run of
// digits and signs taken like atoi. Returns the offset just past the second.
size_t probeIntegers(const char* data, size_t size, size_t offset, int& first, int& second) {
    size_t i = offset;
    for (int* value : {&first, &second}) {
        while (i < size && isSpace(static_cast<unsigned char>(data[i]))) ++i;
        const size_t start = i;
        while (i < size &&
               (isDigit(static_cast<unsigned char>(data[i])) || data[i] == '+' || data[i] == '-'))
            ++i;
        size_t p = start;
        const bool negative = p < i && data[p] == '-';
        if (p < i && (data[p] == '+' || data[p] == '-')) ++p;
        int v = 0;
        for (; p < i && isDigit(static_cast<unsigned char>(data[p])) && v < 100000; ++p)
            v = v * 10 + (data[p] - '0');
        *value = negative ? -v : v;
    }
    return i;
}

// Where the profiles start, found as GDAL finds it: right after an old 864-byte record A, at the
// second 1024-byte record, or after a record A of 892 or 917 bytes and its line end. 0 when none
// of them holds the profile of row 1, column 1 (or column 0 in the second record).
size_t firstProfileOffset(const char* data, size_t size, int& firstColumn) {
    int row = 0, column = 0;
    firstColumn = 1;
    if (probeIntegers(data, size, 864, row, column) < blockSize && row == 1 && column == 1)
        return 864;
    probeIntegers(data, size, blockSize, row, column);
    if (row == 1 && (column == 1 || column == 0)) {
        firstColumn = column;
        return blockSize;
    }
    for (size_t offset : {893, 918}) {
        probeIntegers(data, size, offset, row, column);
        if (row == 1 && column == 1) return offset;
    }
    return 0;
}

// --- B records ----------------------------------------------------------------------------------

enum class Read { ok, end, bad };

// An integer as the profiles hold it: blanks skipped, an optional sign, one to ten digits. A
// sign right after a digit starts the next number: fixed-width writers fill a six-column field
// with "-32767" (a void), which then touches its neighbour. Unchecked, the scan relies on a byte
// that ends it (neither blank, sign nor digit) somewhere before the end of the data.
template <bool checked>
inline Read scanInteger(const unsigned char*& p, const unsigned char* end, int64_t& value) {
    while ((!checked || p < end) && isSpace(*p)) ++p;
    if (checked && p == end) return Read::end;
    const unsigned char* q = p;
    const bool negative = *q == '-';
    if (*q == '+' || *q == '-') ++q;
    const unsigned char* const digits = q;
    uint64_t v = 0; // wraps harmlessly on runs too long to be taken
    for (unsigned d; (!checked || q < end) && (d = unsigned(*q - '0')) < 10; ++q) v = v * 10 + d;
    // note: a real where an integer belongs is refused; GDAL would keep its integer part.
    if (q == digits || q - digits > 10 || ((!checked || q < end) && *q == '.')) return Read::bad;
    value = negative ? -int64_t(v) : int64_t(v);
    p = q;
    return Read::ok;
}

// The last byte that ends a number: a scan that starts before it needs no bounds checks. The
// start of the data when there is none.
const unsigned char* lastTerminator(const unsigned char* begin, const unsigned char* end) {
    const unsigned char* p = end;
    while (p > begin && (isSpace(p[-1]) || isDigit(p[-1]) || p[-1] == '+' || p[-1] == '-')) --p;
    return p > begin ? p - 1 : begin;
}

// GDAL's value for a stored elevation: times the z resolution, plus the profile's datum, as a
// float; in the 16-bit band it uses unless the elevations are in feet or finer than 1, then
// truncated toward zero and clamped. False for a value no band can hold.
template <bool whole>
inline bool elevationValue(int64_t elevation, double resolution, double datum, float& value) {
    const float computed = float(double(elevation) * resolution + datum);
    if (whole) {
        if (std::isnan(computed)) return false;
        value = computed < -32768.0f  ? -32768.0f
                : computed > 32767.0f ? 32767.0f
                                      : float(int(computed));
        return true;
    }
    value = computed;
    return std::fabs(computed) < 2147483648.0f; // heights stay where normals are finite
}

struct ProfileReader {
    const unsigned char* begin;
    const unsigned char* end;
    const unsigned char* guard; // the last byte that ends a number
    const RowPlacement& placement;
    double resolution;
    float* heights;
    int width;
    std::string& error;
    size_t valid = 0;

    size_t offset(const unsigned char* p) const { return size_t(p - begin); }

    Read readInteger(const unsigned char*& p, int64_t& value) const {
        return p < guard ? scanInteger<false>(p, end, value) : scanInteger<true>(p, end, value);
    }

    const unsigned char* numberStart(const unsigned char* p) const {
        while (p > begin && isDigit(p[-1])) --p;
        return p > begin && (p[-1] == '+' || p[-1] == '-') ? p - 1 : p;
    }

    bool failRead(Read read, int profile, size_t start, const unsigned char* at) {
        if (read == Read::end)
            appendf(error, demProfileEndMessage, profile, start);
        else
            appendf(error, demProfileNumberMessage, profile, offset(at));
        return false;
    }

    // Reads the profile at p into `column`, leaving p past its last elevation.
    template <bool whole> bool read(const unsigned char*& p, int column, int expectedColumn) {
        const int profile = column + 1;
        while (p < end && isSpace(*p)) ++p;
        const size_t start = offset(p);
        int64_t header[4]; // row, column, elevations, columns
        for (int64_t& value : header) {
            const Read read = readInteger(p, value);
            if (read != Read::ok) return failRead(read, profile, start, p);
        }
        if (header[1] != expectedColumn) {
            appendf(error, demProfileColumnMessage, profile, start,
                    static_cast<long long>(header[1]), expectedColumn);
            return false;
        }
        // Five reals of 24 bytes: the ground x and y of the first elevation, the local datum, the
        // profile's minimum and maximum.
        if (end - p < 5 * 24) return failRead(Read::end, profile, start, p);
        const double y = realField(reinterpret_cast<const char*>(begin), offset(p) + 24, 24);
        const double datum = realField(reinterpret_cast<const char*>(begin), offset(p) + 48, 24);
        p += 5 * 24;
        if (!std::isfinite(y) || !std::isfinite(datum)) {
            appendf(error, demProfileHeaderMessage, profile, start,
                    std::isfinite(y) ? "local datum" : "y coordinate");
            return false;
        }
        const int64_t count = header[2];
        const int first = placement.rowFromSouth(y);
        if (first < 0 || count < 0 || count > placement.rows - first) {
            appendf(error, demProfileRowsMessage, profile, start, static_cast<long long>(count), y,
                    placement.rows, placement.southY());
            return false;
        }

        // The first elevation is the southern one: rows are stored from the north. Rows the
        // profile does not reach are void.
        const float noElevation = std::numeric_limits<float>::quiet_NaN();
        const size_t stride = size_t(width);
        for (int r = placement.rows - first; r < placement.rows; ++r)
            heights[size_t(r) * stride + size_t(column)] = noElevation;
        for (int r = 0; r < placement.rows - first - int(count); ++r)
            heights[size_t(r) * stride + size_t(column)] = noElevation;
        size_t index = size_t(placement.rows - 1 - first) * stride + size_t(column);
        for (int64_t j = 0; j < count; ++j, index -= stride) {
            float& out = heights[index];
            int64_t elevation;
            const Read read = readInteger(p, elevation);
            if (read != Read::ok) return failRead(read, profile, start, p);
            float value;
            if (elevation == voidElevation) {
                out = noElevation;
                continue;
            }
            if (!elevationValue<whole>(elevation, resolution, datum, value)) {
                appendf(error, demElevationRangeMessage, profile, offset(numberStart(p)));
                return false;
            }
            if (value == voidValue) { // what GDAL would take for a void
                out = noElevation;
                continue;
            }
            out = float(double(value) / kElevationsPerHeight);
            ++valid;
        }
        return true;
    }
};

} // namespace

DEMParse parseDEM(const char* data, size_t size, HeightMap& map) {
    DEMParse result;
    std::string& report = result.report;
    if (!data) data = ""; // an empty buffer may come without storage

    // The name field is taken as it comes; trailing blanks go, except in its last position.
    char name[nameLength + 1] = {};
    std::memcpy(name, data, std::min(size, size_t(nameLength)));
    const int nameEnd = int(std::strlen(name));
    for (int i = nameEnd - 2; i >= 1 && isSpace(static_cast<unsigned char>(name[i])); --i)
        name[i] = '\0';
    report += "Name of DEM is " + printable(name, std::strlen(name)) + "\n";

    auto missing = [&](const Field& field) {
        if (size >= field.end()) return false;
        appendf(result.error, demRecordAEndMessage, size, field.name, field.offset,
                int(field.end()) - 1);
        return true;
    };

    const Field* const codeFields[] = {&levelField, &patternField, &referenceSystemField,
                                       &zoneField};
    const char* const codeLines[] = {"DEM level code is %d\n", "Pattern code is %d\n",
                                     "Planimetric reference system code (should be 0): %d\n",
                                     "Zone code (should be 0): %d\n"};
    int codes[4];
    for (int i = 0; i < 4; ++i) {
        if (missing(*codeFields[i])) return result;
        codes[i] = intField(data, *codeFields[i]);
        appendf(report, codeLines[i], codes[i]);
    }

    for (const Field* field : {&groundUnitField, &elevationUnitField, &sidesField})
        if (missing(*field)) return result;
    const int elevationUnit = intField(data, elevationUnitField);
    appendf(report, "Planimetric coordinates in %s, elevation in %s, %d sides in polygon region\n",
            planimetricUnitWord(intField(data, groundUnitField)), elevationUnitWord(elevationUnit),
            intField(data, sidesField));

    for (const Field* field : {&cornersField, &minimumField, &maximumField})
        if (missing(*field)) return result;
    double corners[8]; // south-west, north-west, north-east, south-east: x, y each
    for (int i = 0; i < 8; ++i)
        corners[i] = realField(data, size_t(cornersField.offset + 24 * i), 24);
    const int minElevation = truncateToInt(realField(data, size_t(minimumField.offset), 24));
    const int maxElevation = truncateToInt(realField(data, size_t(maximumField.offset), 24));
    appendf(report, "maxElevation = %d, minElevation = %d\n", maxElevation, minElevation);

    for (const Field* field : {&resolutionField, &columnsField})
        if (missing(*field)) return result;
    const double yResolution = realField(data, size_t(resolutionField.offset + 12), 12);
    const double zResolution = realField(data, size_t(resolutionField.offset + 24), 12);
    if (!(yResolution > 0) || !std::isfinite(yResolution)) {
        appendf(result.error, demResolutionMessage, yResolution);
        return result;
    }
    RowPlacement placement;
    if (!placement.fromCorners(corners, codes[2], yResolution)) {
        appendf(result.error, demCornersMessage, yResolution);
        return result;
    }
    const int width = intField(data, columnsField);
    const int length = placement.rows;
    appendf(report, "width=%d, length=%d\n", width, length);

    if (width < 1) {
        appendf(result.error, demGridSizeMessage, width, length);
        return result;
    }
    // note: real files spend six bytes on each elevation, and their profiles cover most of the
    // grid; a grid of more samples than the file has bytes would be mostly void. Refused before
    // its array is allocated.
    if (uint64_t(width) * uint64_t(length) > size) {
        appendf(result.error, demGridTooLargeMessage, width, length, size);
        return result;
    }
    int firstColumn;
    const size_t firstProfile = firstProfileOffset(data, size, firstColumn);
    if (firstProfile == 0) {
        result.error = demFirstProfileMessage;
        return result;
    }

    std::vector<float> heights;
    try {
        heights.resize(size_t(width) * size_t(length)); // every sample is written below
    } catch (const std::bad_alloc&) {
        appendf(result.error, demOutOfMemoryMessage, width, length);
        return result;
    }

    const auto* const begin = reinterpret_cast<const unsigned char*>(data);
    ProfileReader reader{begin,     begin + size, lastTerminator(begin, begin + size),
                         placement, zResolution,  heights.data(),
                         width,     result.error};
    // GDAL stores feet, and steps finer than 1, as floats; everything else as 16-bit integers.
    const bool whole = elevationUnit != 1 && zResolution >= 1.0;
    const unsigned char* p = begin + firstProfile;
    for (int column = 0; column < width; ++column) {
        const bool read = whole ? reader.read<true>(p, column, firstColumn + column)
                                : reader.read<false>(p, column, firstColumn + column);
        if (!read) return result;
        // Blocked files may hold junk after a profile's last elevation: the next starts a record.
        if (firstProfile == blockSize)
            p = begin + std::min(size, (reader.offset(p) + blockSize - 1) / blockSize * blockSize);
    }
    if (reader.valid == 0) {
        result.error = demAllVoidMessage;
        return result;
    }

    result.voids = heights.size() - reader.valid;
    map.setGrid(width, length, maxElevation, std::move(heights));
    result.ok = true;
    return result;
}
