#pragma once

#include <cstddef>
#include <string>

class HeightMap;

// Whitespace-separated tokens of a DEM held in memory. Reading past the end of the data fails:
// a token counts only when a whitespace character follows it, as in a file read character by
// character where the end is noticed one read late. Failure is sticky; every later read fails
// and yields 0.
class DEMTokenReader {
  public:
    DEMTokenReader(const char* data, size_t size, size_t position = 0);

    int readInt();     // like atoi, saturating at the int range
    double readReal(); // like atof, after every 'D' past the first character becomes 'E'

    bool failed() const { return failed_; }
    size_t position() const { return size_t(cursor_ - begin_); }
    void seek(size_t position) { cursor_ = begin_ + position; }

  private:
    bool next(const unsigned char*& token, const unsigned char*& finish);

    const unsigned char* begin_;
    const unsigned char* cursor_;
    const unsigned char* end_;
    bool failed_ = false;
};

// The outcome of reading a DEM: the header report for standard output, in the order the lines
// were produced, and on failure the message for standard error.
struct DEMParse {
    bool ok = false;
    std::string report;
    std::string error;
};

// Fills width, length, maxHeight and heights of `map` from a USGS DEM held in memory. Never ends
// the process: every failure comes back in the result, with the report up to that point, and
// leaves `map` as it was.
DEMParse parseDEM(const char* data, size_t size, HeightMap& map);

// Messages of the failures parseDEM reports.
extern const char* const demTruncatedMessage;   // "Invalid DEM file\n"
extern const char* const demGridSizeMessage;    // printf format: width, length
extern const char* const demFirstColumnMessage; // printf format: column
extern const char* const demOutOfMemoryMessage; // printf format: width, length
