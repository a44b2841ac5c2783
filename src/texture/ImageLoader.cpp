#include "texture/Image.h"

#include "app/DataFiles.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

const char* const kCouldNotOpenFile = "Could not open file %s.\n";
const char* const kCorruptedFile = "corrupted file, could not read all data\n";
const char* const kCouldNotLoadBmp = "Could not load BMP.\n";
const char* const kCouldNotLoadTga = "Could not load uncompressed TGA\n";
const char* const kCouldNotLoadTgaRle = "Could not load compressed TGA\n";
const char* const kUnsupportedImageType = "Unsupported image type\n";
const char* const kOutOfImageMemory = "Out of memory for image memory allocation\n";

namespace {

// Empty image-ID field, no colour map, zeroed colour-map fields and origin; byte 2 is the image
// type (2 raw true-colour, 10 run-length encoded).
const unsigned char kTgaPrefix[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const unsigned char kTgaRlePrefix[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const size_t kBmpHeaderSize = 54; // file header (14) and the smallest info header (40)
const size_t kTgaHeaderSize = 18;

uint32_t readU16(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t readU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool fail(Image& image) {
    image = Image();
    return false;
}

bool allocatePixels(Image& image, size_t bytes) {
    try {
        image.pixels.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        std::fputs(kOutOfImageMemory, stderr);
        return false;
    }
    return true;
}

// Stores one file pixel (B, G, R (, A)) as R, G, B (, A).
void copySwapped(unsigned char* to, const unsigned char* from, int bytesPerPixel) {
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
    if (bytesPerPixel == 4) to[3] = from[3];
}

// The 18-byte header shared by both TGA kinds; false when the image cannot be decoded.
bool readTgaHeader(const unsigned char* data, size_t size, Image& image) {
    if (size < kTgaHeaderSize) return false;
    image.width = int(readU16(data + 12));
    image.height = int(readU16(data + 14));
    image.bitsPerPixel = data[16];
    if (image.width == 0 || image.height == 0) return false;
    return image.bitsPerPixel == 24 || image.bitsPerPixel == 32;
}

} // namespace

bool decodeBmp(const unsigned char* data, size_t size, Image& image) {
    // note: the file size (byte 2) and image size (byte 34) fields are not trusted: what is
    // decoded is exactly width x width pixels from the data offset, and those must be in the file.
    if (size < kBmpHeaderSize) return fail(image);
    const uint64_t offset = readU32(data + 10);
    const uint64_t infoHeaderSize = readU32(data + 14);
    const int64_t width = int32_t(readU32(data + 18));
    const int64_t height = int32_t(readU32(data + 22));
    const uint32_t bitsPerPixel = readU16(data + 28);
    const uint32_t compression = readU32(data + 30);
    if (infoHeaderSize < 40 || offset < 14 + infoHeaderSize || offset > size) return fail(image);
    // Only uncompressed 24-bit pictures: other depths hold palette indices or masked fields.
    if (bitsPerPixel != 24 || compression != 0) return fail(image);
    // Square only; the sign of the height (bottom-up or top-down) is not consulted.
    if (width <= 0 || (height != width && height != -width)) return fail(image);
    const uint64_t rowBytes = uint64_t(width) * 3;
    const uint64_t stride = (rowBytes + 3) & ~uint64_t(3); // rows are padded to 4 bytes
    if (stride * uint64_t(width) > size - offset) return fail(image);

    image.width = int(width);
    image.height = int(width);
    image.bitsPerPixel = 24;
    if (!allocatePixels(image, size_t(rowBytes) * size_t(width))) return fail(image);
    for (int64_t row = 0; row < width; ++row) {
        const unsigned char* from = data + offset + row * stride;
        unsigned char* to = image.pixels.data() + row * rowBytes;
        for (int64_t column = 0; column < width; ++column)
            copySwapped(to + column * 3, from + column * 3, 3);
    }
    image.failed = false;
    return true;
}

bool decodeTga(const unsigned char* data, size_t size, Image& image) {
    if (!readTgaHeader(data, size, image)) return fail(image);
    const int bytesPerPixel = image.bitsPerPixel / 8;
    const size_t pixelCount = size_t(image.width) * size_t(image.height);
    // Anything after the pixels (a TGA 2.0 extension area and footer) is ignored.
    if (pixelCount * bytesPerPixel > size - kTgaHeaderSize) return fail(image);
    if (!allocatePixels(image, pixelCount * bytesPerPixel)) return fail(image);
    const unsigned char* from = data + kTgaHeaderSize;
    unsigned char* to = image.pixels.data();
    for (size_t i = 0; i < pixelCount; ++i)
        copySwapped(to + i * bytesPerPixel, from + i * bytesPerPixel, bytesPerPixel);
    image.failed = false;
    return true;
}

bool decodeTgaRle(const unsigned char* data, size_t size, Image& image) {
    if (!readTgaHeader(data, size, image)) return fail(image);
    const size_t bytesPerPixel = size_t(image.bitsPerPixel) / 8;
    const size_t pixelCount = size_t(image.width) * size_t(image.height);
    // A packet yields at most 128 pixels from at least 1 + bytesPerPixel bytes: a file too short
    // to hold the pixels is rejected before its (up to 16 GiB) buffer is allocated.
    const size_t fewestPackets = (pixelCount + 127) / 128;
    if (fewestPackets * (1 + bytesPerPixel) > size - kTgaHeaderSize) return fail(image);
    if (!allocatePixels(image, pixelCount * bytesPerPixel)) return fail(image);

    size_t position = kTgaHeaderSize;
    size_t produced = 0;
    unsigned char* to = image.pixels.data();
    while (produced < pixelCount) {
        if (position >= size) return fail(image);
        const unsigned header = data[position++];
        const bool run = header >= 128;
        const size_t count = run ? header - 127 : header + 1;
        // Runs may cross rows, but not the end of the image.
        if (count > pixelCount - produced) return fail(image);
        const size_t packetBytes = run ? bytesPerPixel : count * bytesPerPixel;
        if (packetBytes > size - position) return fail(image);
        for (size_t i = 0; i < count; ++i) {
            const unsigned char* from = data + position + (run ? 0 : i * bytesPerPixel);
            copySwapped(to + (produced + i) * bytesPerPixel, from, int(bytesPerPixel));
        }
        position += packetBytes;
        produced += count;
    }
    image.failed = false;
    return true;
}

bool decodeImage(const unsigned char* data, size_t size, Image& image) {
    bool decoded = false;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        decoded = decodeBmp(data, size, image);
        if (!decoded) std::fputs(kCouldNotLoadBmp, stderr);
    } else if (size >= 12 && std::memcmp(data, kTgaPrefix, 12) == 0) {
        decoded = decodeTga(data, size, image);
        if (!decoded) std::fputs(kCouldNotLoadTga, stderr);
    } else if (size >= 12 && std::memcmp(data, kTgaRlePrefix, 12) == 0) {
        decoded = decodeTgaRle(data, size, image);
        if (!decoded) std::fputs(kCouldNotLoadTgaRle, stderr);
    } else {
        std::fputs(kUnsupportedImageType, stderr);
    }
    if (!decoded) return fail(image);
    return true;
}

Image loadImage(const char* path) {
    Image image;
    FILE* file = std::fopen(dataFile(path).c_str(), "rb");
    struct stat status;
    // A directory opens like a file on this platform, but it is not one.
    if (file && (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode))) {
        std::fclose(file);
        file = nullptr;
    }
    if (!file) {
        std::fprintf(stderr, kCouldNotOpenFile, path);
        return image;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    std::vector<unsigned char> bytes;
    bool read = size >= 0;
    if (read) {
        try {
            bytes.resize(size_t(size));
        } catch (const std::bad_alloc&) {
            std::fputs(kOutOfImageMemory, stderr);
            std::fclose(file);
            return image;
        }
        read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!read) {
        std::fputs(kCorruptedFile, stderr);
        return image;
    }
    decodeImage(bytes.data(), bytes.size(), image);
    return image;
}
