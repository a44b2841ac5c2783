#include "terrain/DEMReader.h"

#include "terrain/HeightMap.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

const char* const demTruncatedMessage = "Invalid DEM file\n";
const char* const demGridSizeMessage =
    "Invalid DEM file: a grid of %d x %d samples; at least 2 x 2 are needed\n";
const char* const demFirstColumnMessage =
    "Invalid DEM file: the first profile is in column %d; it must be column 1\n";
const char* const demOutOfMemoryMessage = "Not enough memory for a DEM of %d x %d samples\n";

namespace {

constexpr int nameLength = 143;
constexpr size_t recordSize = 1024;

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

int saturate(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

// Elevations in the header are reals; the reader keeps their integer part.
int truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT_MAX;
    if (value <= -2147483648.0) return INT_MIN;
    return int(value);
}

void appendf(std::string& out, const char* format, ...) {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    const int n = vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (n > 0) out.append(line, size_t(n) < sizeof line ? size_t(n) : sizeof line - 1);
}

} // namespace

DEMTokenReader::DEMTokenReader(const char* data, size_t size, size_t position)
    : begin_(reinterpret_cast<const unsigned char*>(data)), cursor_(begin_ + position),
      end_(begin_ + size) {}

namespace {

inline const unsigned char* skipSpace(const unsigned char* p, const unsigned char* end) {
    // Fixed-width fields are mostly blanks: step over eight at a time.
    const uint64_t blanks = 0x2020202020202020ull;
    uint64_t word;
    while (end - p >= 8 && (std::memcpy(&word, p, 8), word == blanks)) p += 8;
    while (p < end && isSpace(*p)) ++p;
    return p;
}

// note: a '-' right after a digit starts a new token. Fixed-width writers fill a six-column field
// with "-32767" (a void) or "-10911", which then touches its neighbour; without the split the pair
// reads as one elevation and every later sample shifts. Blank-separated files are unaffected.
inline const unsigned char* tokenEnd(const unsigned char* token, const unsigned char* p,
                                     const unsigned char* end) {
    while (p < end && !isSpace(*p) && !(*p == '-' && p > token && isDigit(p[-1]))) ++p;
    return p;
}

} // namespace

bool DEMTokenReader::next(const unsigned char*& token, const unsigned char*& finish) {
    if (failed_) return false;
    token = skipSpace(cursor_, end_);
    const unsigned char* p = tokenEnd(token, token, end_);
    if (p == end_) {
        cursor_ = end_;
        failed_ = true;
        return false;
    }
    finish = p;
    cursor_ = isSpace(*p) ? p + 1 : p;
    return true;
}

// One pass: the number is converted while the token is scanned.
int DEMTokenReader::readInt() {
    if (failed_) return 0;
    const unsigned char* const token = skipSpace(cursor_, end_);
    const unsigned char* p = token;
    bool negative = false;
    if (p < end_ && (*p == '+' || *p == '-')) negative = *p++ == '-';
    long long value = 0;
    for (; p < end_ && isDigit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > 1LL << 32) value = 1LL << 32; // past the int range either way
    }
    p = tokenEnd(token, p, end_); // like atoi, whatever follows the number is ignored
    if (p == end_) {
        cursor_ = end_;
        failed_ = true;
        return 0;
    }
    cursor_ = isSpace(*p) ? p + 1 : p;
    return saturate(negative ? -value : value);
}

double DEMTokenReader::readReal() {
    const unsigned char* p;
    const unsigned char* end;
    if (!next(p, end)) return 0;
    std::string text(reinterpret_cast<const char*>(p), size_t(end - p));
    for (size_t i = 1; i < text.size(); ++i)
        if (text[i] == 'D') text[i] = 'E';
    return std::strtod(text.c_str(), nullptr);
}

namespace {

// True when the tokens at `position` begin the profile in row 1, column 1.
bool firstProfileAt(const char* data, size_t size, size_t position) {
    DEMTokenReader reader(data, size, position);
    const int row = reader.readInt();
    const int column = reader.readInt();
    return !reader.failed() && row == 1 && column == 1;
}

// Writers of the current standard fill record A after the column count with optional fields
// (contour intervals, dates, datums), which a token stream would take for the first profile's
// header. When the file is laid out in 1024-byte records, the first profile starts the second
// record. note: the jump happens only when reading on would not find the profile of row 1,
// column 1 but the second record starts with it; a record A blank after the column count, and
// an older record A that ends at byte 864 with the profile right after it, read on as before.
bool firstProfileInSecondRecord(const char* data, size_t size, size_t afterColumns) {
    if (afterColumns > recordSize || size <= recordSize) return false;
    if (!isSpace(static_cast<unsigned char>(data[recordSize - 1]))) return false;
    return !firstProfileAt(data, size, afterColumns) && firstProfileAt(data, size, recordSize);
}

const char* planimetricUnitWord(int code) {
    return code == 3 ? "arc-seconds" : "??";
}
const char* elevationUnitWord(int code) {
    return code == 2 ? "metres" : "??";
}

} // namespace

DEMParse parseDEM(const char* data, size_t size, HeightMap& map) {
    DEMParse result;
    std::string& report = result.report;
    if (!data) data = ""; // an empty buffer may come without storage

    // The name field is taken as it comes; trailing blanks go, except in its last position.
    char name[nameLength + 1] = {};
    const size_t nameBytes = size < size_t(nameLength) ? size : size_t(nameLength);
    std::memcpy(name, data, nameBytes);
    const int nameEnd = int(std::strlen(name));
    for (int i = nameEnd - 2; i >= 1 && isSpace(static_cast<unsigned char>(name[i])); --i)
        name[i] = '\0';
    appendf(report, "Name of DEM is %s\n", name);

    DEMTokenReader reader(data, size, nameBytes);
    auto truncated = [&] {
        result.error = demTruncatedMessage;
        return result;
    };

    // Level, pattern, reference system and zone: each reported as soon as it is read.
    for (const char* line : {"DEM level code is %d\n", "Pattern code is %d\n",
                             "Planimetric reference system code (should be 0): %d\n",
                             "Zone code (should be 0): %d\n"}) {
        const int code = reader.readInt();
        if (reader.failed()) return truncated();
        appendf(report, line, code);
    }

    for (int i = 0; i < 15; ++i) reader.readInt(); // map projection parameters
    const int planimetricUnit = reader.readInt();
    const int elevationUnit = reader.readInt();
    const int sides = reader.readInt();
    if (reader.failed()) return truncated();
    appendf(report, "Planimetric coordinates in %s, elevation in %s, %d sides in polygon region\n",
            planimetricUnitWord(planimetricUnit), elevationUnitWord(elevationUnit), sides);

    for (int i = 0; i < 8; ++i) reader.readReal(); // ground coordinates of the corners
    const int minElevation = truncateToInt(reader.readReal());
    const int maxElevation = truncateToInt(reader.readReal());
    if (reader.failed()) return truncated();
    appendf(report, "maxElevation = %d, minElevation = %d\n", maxElevation, minElevation);

    // Rotation angle, accuracy code (run together with the spatial resolution), rows.
    for (int i = 0; i < 3; ++i) reader.readInt();
    const int width = reader.readInt();
    if (!reader.failed() && firstProfileInSecondRecord(data, size, reader.position()))
        reader.seek(recordSize);
    reader.readInt(); // row of the first profile
    const int firstColumn = reader.readInt();
    const int length = reader.readInt();
    if (reader.failed()) return truncated();
    appendf(report, "width=%d, length=%d\n", width, length);

    if (width < 2 || length < 2) {
        appendf(result.error, demGridSizeMessage, width, length);
        return result;
    }
    if (firstColumn != 1) {
        appendf(result.error, demFirstColumnMessage, firstColumn);
        return result;
    }
    // Every token takes at least one byte: a grid the rest of the file cannot hold is truncated,
    // and is reported so before its arrays are allocated.
    const unsigned long long tokensNeeded =
        6 + (unsigned long long)length + (unsigned long long)(width - 1) * (9ull + length);
    if (tokensNeeded > size - reader.position()) return truncated();

    std::vector<float> heights;
    try {
        heights.resize(size_t(width) * size_t(length));
    } catch (const std::bad_alloc&) {
        appendf(result.error, demOutOfMemoryMessage, width, length);
        return result;
    }
    for (int p = 1; p <= width; ++p) {
        const int headerTokens = p == 1 ? 6 : 9;
        for (int i = 0; i < headerTokens; ++i) reader.readInt();
        // Elevation j of the profile lands in row length - j: the profile runs south to north.
        size_t index = size_t(length - 1) * size_t(width) + size_t(p - 1);
        for (int j = 1; j <= length; ++j, index -= size_t(width))
            heights[index] = float(reader.readInt() / 20.0);
        if (reader.failed()) return truncated();
    }
    map.width = width;
    map.length = length;
    map.maxHeight = float(maxElevation / 20);
    map.heights = std::move(heights);
    result.ok = true;
    return result;
}
