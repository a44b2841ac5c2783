#pragma once

#include <cstddef>
#include <vector>

// A decoded picture: rows of tightly packed R, G, B (, A) bytes, in the order the file stores
// them (the first stored row, the bottom one in bottom-up files, is row 0: texture t = 0).
struct Image {
    std::vector<unsigned char> pixels; // width * height * bitsPerPixel / 8; empty when failed
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0; // 24 or 32
    bool failed = true;
};

// Reads a BMP or TGA file, recognised by its content. Failures are reported on standard error
// and give a failed Image without pixels; the reader never ends the process.
Image loadImage(const char* path);

// Recognises the kind from the first bytes and runs one decoder; fills `image` and returns
// success. After a failure `image` is failed and holds no pixels.
bool decodeImage(const unsigned char* data, size_t size, Image& image);

// Uncompressed 24-bit BMP, taken as square.
bool decodeBmp(const unsigned char* data, size_t size, Image& image);
// Uncompressed true-colour TGA (image type 2), 24 or 32 bits.
bool decodeTga(const unsigned char* data, size_t size, Image& image);
// Run-length encoded true-colour TGA (image type 10), 24 or 32 bits.
bool decodeTgaRle(const unsigned char* data, size_t size, Image& image);

extern const char* const kCouldNotOpenFile; // printf format with the path
extern const char* const kCorruptedFile;
extern const char* const kCouldNotLoadBmp;
extern const char* const kCouldNotLoadTga;
extern const char* const kCouldNotLoadTgaRle;
extern const char* const kUnsupportedImageType;
extern const char* const kOutOfImageMemory;
