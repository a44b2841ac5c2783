#include "texture/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& bytes, size_t at, uint32_t value) {
    bytes[at] = value & 0xff;
    bytes[at + 1] = (value >> 8) & 0xff;
}

void put32(Bytes& bytes, size_t at, uint32_t value) {
    put16(bytes, at, value & 0xffff);
    put16(bytes, at + 2, value >> 16);
}

Bytes tga(int type, int width, int height, int bitsPerPixel, const Bytes& data) {
    Bytes bytes(18 + data.size(), 0);
    std::copy(data.begin(), data.end(), bytes.begin() + 18);
    bytes[2] = static_cast<unsigned char>(type);
    put16(bytes, 12, width);
    put16(bytes, 14, height);
    bytes[16] = static_cast<unsigned char>(bitsPerPixel);
    return bytes;
}

// A bottom-up BMP with the 40-byte info header; `rows` are stored as given, padding included.
struct Bmp {
    int width = 2;
    int height = 2;
    int bitsPerPixel = 24;
    int compression = 0;
    Bytes rows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};

    Bytes bytes() const {
        Bytes bytes(54 + rows.size(), 0);
        std::copy(rows.begin(), rows.end(), bytes.begin() + 54);
        bytes[0] = 'B';
        bytes[1] = 'M';
        put32(bytes, 2, uint32_t(54 + rows.size()));
        put32(bytes, 10, 54);
        put32(bytes, 14, 40);
        put32(bytes, 18, uint32_t(width));
        put32(bytes, 22, uint32_t(height));
        put16(bytes, 26, 1);
        put16(bytes, 28, uint32_t(bitsPerPixel));
        put32(bytes, 30, uint32_t(compression));
        put32(bytes, 34, uint32_t(rows.size()));
        return bytes;
    }
};

struct Decoded {
    bool ok;
    Image image;
    std::string errors;
};

Decoded decode(const Bytes& bytes) {
    Decoded result;
    testing::internal::CaptureStderr();
    result.ok = decodeImage(bytes.data(), bytes.size(), result.image);
    result.errors = testing::internal::GetCapturedStderr();
    return result;
}

void expectFailed(const Decoded& decoded, const char* message) {
    EXPECT_FALSE(decoded.ok);
    EXPECT_TRUE(decoded.image.failed);
    EXPECT_TRUE(decoded.image.pixels.empty());
    EXPECT_EQ(decoded.errors, message);
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh directory per test, removed afterwards.
class ImageFiles : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("terrains-images-" + std::to_string(getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const Bytes& bytes) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    fs::path dir;
};

Image loadCapturing(const std::string& path, std::string* errors) {
    testing::internal::CaptureStderr();
    Image image = loadImage(path.c_str());
    *errors = testing::internal::GetCapturedStderr();
    return image;
}

} // namespace

// TGA decoding: the worked byte cases.

TEST(DecodeTga, uncompressedSwapsBlueAndRedOfEveryPixel) {
    const Decoded d = decode(tga(2, 2, 1, 24, {1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(d.ok);
    EXPECT_FALSE(d.image.failed);
    EXPECT_EQ(d.image.width, 2);
    EXPECT_EQ(d.image.height, 1);
    EXPECT_EQ(d.image.bitsPerPixel, 24);
    EXPECT_EQ(d.image.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(d.errors, "");
}

TEST(DecodeTga, uncompressed32BitKeepsAlphaInPlace) {
    const Decoded d = decode(tga(2, 1, 1, 32, {0x10, 0x20, 0x30, 0x40}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.bitsPerPixel, 32);
    EXPECT_EQ(d.image.pixels, (Bytes{0x30, 0x20, 0x10, 0x40}));
}

TEST(DecodeTga, rowsStayInStoredOrderWhateverTheOriginBit) {
    Bytes bytes = tga(2, 1, 2, 24, {1, 2, 3, 4, 5, 6});
    bytes[17] = 0x20; // top-left origin
    const Decoded d = decode(bytes);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(DecodeTga, bytesAfterThePixelsAreIgnored) {
    const Decoded d = decode(tga(2, 1, 1, 24, {1, 2, 3, 9, 9, 9, 9}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels, (Bytes{3, 2, 1}));
}

TEST(DecodeTgaRle, runPacketRepeatsOnePixel) {
    const Decoded d = decode(tga(10, 2, 1, 24, {0x81, 1, 2, 3}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels, (Bytes{3, 2, 1, 3, 2, 1}));
}

TEST(DecodeTgaRle, runsAndRawPacketsCrossRowsAndKeepAlpha) {
    // 2 x 2: a raw packet of 1, a run of 2 across the row end, a raw packet of 1.
    const Decoded d =
        decode(tga(10, 2, 2, 32, {0x00, 1, 2, 3, 4, 0x81, 5, 6, 7, 8, 0x00, 9, 10, 11, 12}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels, (Bytes{3, 2, 1, 4, 7, 6, 5, 8, 7, 6, 5, 8, 11, 10, 9, 12}));
}

TEST(DecodeTgaRle, rejectsPacketPastImageEnd) {
    const Decoded d = decode(tga(10, 2, 1, 24, {0x00, 1, 2, 3, 0x01, 4, 5, 6}));
    expectFailed(d, "Could not load compressed TGA\n");
}

TEST(DecodeTgaRle, rejectsRunPastImageEnd) {
    expectFailed(decode(tga(10, 2, 1, 24, {0x82, 1, 2, 3})), "Could not load compressed TGA\n");
}

TEST(DecodeTgaRle, rejectsDataEndingBeforeEveryPixel) {
    const char* message = "Could not load compressed TGA\n";
    // No packet at all, then a header without its pixel, then a raw packet cut short.
    expectFailed(decode(tga(10, 1, 1, 24, {})), message);
    expectFailed(decode(tga(10, 2, 1, 24, {0x00, 1, 2, 3, 0x00})), message);
    expectFailed(decode(tga(10, 2, 1, 24, {0x01, 1, 2, 3, 4, 5})), message);
    expectFailed(decode(tga(10, 4, 1, 24, {0x01, 1, 2, 3, 4, 5, 6, 0x80})), message);
}

TEST(DecodeTgaRle, hugeImageFromFewBytesIsRejectedBeforeAllocating) {
    // 65535 x 65535 at 32 bits would need 16 GiB; the file cannot hold that many packets.
    expectFailed(decode(tga(10, 65535, 65535, 32, Bytes(4096, 0xff))),
                 "Could not load compressed TGA\n");
}

TEST(DecodeTga, rejectsZeroSizeAndOtherDepths) {
    const char* raw = "Could not load uncompressed TGA\n";
    const char* rle = "Could not load compressed TGA\n";
    expectFailed(decode(tga(2, 0, 1, 24, {})), raw);
    expectFailed(decode(tga(2, 1, 0, 24, {})), raw);
    expectFailed(decode(tga(2, 1, 1, 8, {1, 2, 3})), raw);
    expectFailed(decode(tga(2, 1, 1, 16, {1, 2, 3})), raw);
    expectFailed(decode(tga(10, 0, 1, 24, {0x80, 1, 2, 3})), rle);
    expectFailed(decode(tga(10, 1, 1, 16, {0x80, 1, 2, 3})), rle);
}

TEST(DecodeTga, rejectsPixelDataEndingEarly) {
    expectFailed(decode(tga(2, 2, 2, 24, Bytes(11, 7))), "Could not load uncompressed TGA\n");
    expectFailed(decode(tga(2, 65535, 65535, 32, Bytes(16, 7))),
                 "Could not load uncompressed TGA\n");
}

TEST(DecodeTga, rejectsFilesShorterThanTheirHeader) {
    const Bytes whole = tga(2, 1, 1, 24, {1, 2, 3});
    for (size_t size = 12; size < 18; ++size)
        expectFailed(decode(Bytes(whole.begin(), whole.begin() + size)),
                     "Could not load uncompressed TGA\n");
    const Bytes rle = tga(10, 1, 1, 24, {0x80, 1, 2, 3});
    expectFailed(decode(Bytes(rle.begin(), rle.begin() + 17)), "Could not load compressed TGA\n");
}

// Recognition by content.

TEST(DecodeImage, tgaWithIdFieldColourMapOrOriginIsUnsupported) {
    const Bytes good = tga(2, 1, 1, 24, {1, 2, 3});
    for (size_t at : {0, 1, 3, 5, 7, 8, 9, 10, 11}) {
        Bytes bytes = good;
        bytes[at] = 1;
        SCOPED_TRACE(at);
        expectFailed(decode(bytes), "Unsupported image type\n");
    }
}

TEST(DecodeImage, otherImageTypesAndShortFilesAreUnsupported) {
    const char* message = "Unsupported image type\n";
    expectFailed(decode(tga(3, 1, 1, 24, {1, 2, 3})), message); // grey
    expectFailed(decode(tga(9, 1, 1, 24, {1, 2, 3})), message); // colour-mapped RLE
    expectFailed(decode(Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13}), message);
    expectFailed(decode(Bytes{}), message);
    expectFailed(decode(Bytes{'B'}), message);
    expectFailed(decode(Bytes(11, 0)), message);
}

// BMP decoding.

TEST(DecodeBmp, squareImageWithStatedImageSizeIsSwappedToRgb) {
    Bmp bmp;
    bmp.width = bmp.height = 256;
    bmp.rows.resize(196608);
    for (size_t i = 0; i < bmp.rows.size(); ++i) bmp.rows[i] = static_cast<unsigned char>(i * 7);
    const Decoded d = decode(bmp.bytes());
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.width, 256);
    EXPECT_EQ(d.image.height, 256);
    EXPECT_EQ(d.image.bitsPerPixel, 24);
    ASSERT_EQ(d.image.pixels.size(), 196608u);
    for (size_t i = 0; i < d.image.pixels.size(); i += 3) {
        ASSERT_EQ(d.image.pixels[i], bmp.rows[i + 2]);
        ASSERT_EQ(d.image.pixels[i + 1], bmp.rows[i + 1]);
        ASSERT_EQ(d.image.pixels[i + 2], bmp.rows[i]);
    }
}

TEST(DecodeBmp, imageSizeZeroStillGivesRgb) {
    Bytes bytes = Bmp().bytes();
    put32(bytes, 34, 0); // "the same as the pixel data", as many writers leave it
    const Decoded d = decode(bytes);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
}

TEST(DecodeBmp, rowPaddingIsDropped) {
    const Decoded d = decode(Bmp().bytes());
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
}

TEST(DecodeBmp, topDownRowsStayInStoredOrder) {
    Bmp bmp;
    bmp.height = -2;
    const Decoded d = decode(bmp.bytes());
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.height, 2);
    EXPECT_EQ(d.image.pixels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
}

TEST(DecodeBmp, statedFileAndImageSizesBeyondTheFileAreNotTrusted) {
    Bytes bytes = Bmp().bytes();
    put32(bytes, 2, 0xffffffff);
    put32(bytes, 34, 0xffffffff);
    const Decoded d = decode(bytes);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels.size(), 12u);
}

TEST(DecodeBmp, rejectsShapesDepthsAndCompressionItCannotDecode) {
    const char* message = "Could not load BMP.\n";
    Bmp bmp;
    bmp.height = 1; // not square
    expectFailed(decode(bmp.bytes()), message);
    bmp = Bmp();
    bmp.height = 3;
    expectFailed(decode(bmp.bytes()), message);
    bmp = Bmp();
    bmp.width = bmp.height = 0;
    expectFailed(decode(bmp.bytes()), message);
    bmp = Bmp();
    bmp.width = bmp.height = -2;
    expectFailed(decode(bmp.bytes()), message);
    for (int bits : {1, 4, 8, 16, 32}) {
        bmp = Bmp();
        bmp.bitsPerPixel = bits;
        SCOPED_TRACE(bits);
        expectFailed(decode(bmp.bytes()), message);
    }
    for (int compression : {1, 2, 3}) {
        bmp = Bmp();
        bmp.compression = compression;
        SCOPED_TRACE(compression);
        expectFailed(decode(bmp.bytes()), message);
    }
}

TEST(DecodeBmp, rejectsPixelDataOutsideTheFile) {
    const char* message = "Could not load BMP.\n";
    Bmp bmp;
    bmp.rows.pop_back(); // the last row's padding is missing
    expectFailed(decode(bmp.bytes()), message);

    Bytes bytes = Bmp().bytes();
    put32(bytes, 10, uint32_t(bytes.size() + 1)); // offset past the end
    expectFailed(decode(bytes), message);
    put32(bytes, 10, 0xfffffff0);
    expectFailed(decode(bytes), message);
    put32(bytes, 10, 20); // inside the header
    expectFailed(decode(bytes), message);

    bytes = Bmp().bytes();
    put32(bytes, 14, 12); // an info header too small to hold the fields read
    expectFailed(decode(bytes), message);
    put32(bytes, 14, 0xffffffff);
    expectFailed(decode(bytes), message);

    bmp = Bmp();
    bmp.width = bmp.height = 0x40000000; // sizes that overflow 32 bits
    expectFailed(decode(bmp.bytes()), message);
}

TEST(DecodeBmp, rejectsFilesShorterThanTheirHeader) {
    const Bytes whole = Bmp().bytes();
    for (size_t size : {2, 3, 14, 38, 53})
        expectFailed(decode(Bytes(whole.begin(), whole.begin() + size)), "Could not load BMP.\n");
}

// Loading files.

TEST_F(ImageFiles, kindIsJudgedByContentNotName) {
    std::string errors;
    const Image bmp = loadCapturing(write("picture.tga", Bmp().bytes()), &errors);
    EXPECT_FALSE(bmp.failed);
    EXPECT_EQ(bmp.pixels.size(), 12u);
    const Image tgaImage =
        loadCapturing(write("picture.bmp", tga(2, 1, 1, 24, {1, 2, 3})), &errors);
    EXPECT_FALSE(tgaImage.failed);
    EXPECT_EQ(tgaImage.pixels, (Bytes{3, 2, 1}));
    const Image other = loadCapturing(write("other.bmp", Bytes{'M', 'B', 0, 0}), &errors);
    EXPECT_TRUE(other.failed);
    EXPECT_EQ(errors, "Unsupported image type\n");
}

TEST_F(ImageFiles, missingFileFailsWithItsPath) {
    const std::string path = (dir / "missing.tga").string();
    std::string errors;
    const Image image = loadCapturing(path, &errors);
    EXPECT_TRUE(image.failed);
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(errors, "Could not open file " + path + ".\n");
}

TEST_F(ImageFiles, directoryIsNotAnImageFile) {
    std::string errors;
    const Image image = loadCapturing(dir.string(), &errors);
    EXPECT_TRUE(image.failed);
    EXPECT_EQ(errors, "Could not open file " + dir.string() + ".\n");
}

TEST_F(ImageFiles, emptyFileIsUnsupported) {
    std::string errors;
    const Image image = loadCapturing(write("empty.tga", {}), &errors);
    EXPECT_TRUE(image.failed);
    EXPECT_EQ(errors, "Unsupported image type\n");
}

// Files written by ImageMagick (tests/texture/fixtures/make-fixtures.sh) against the pixels
// ImageMagick reads back from them, in this reader's row order.

struct Fixture {
    const char* image;
    const char* dump; // raw R, G, B (, A) bytes
    int bitsPerPixel;
};

void PrintTo(const Fixture& fixture, std::ostream* out) {
    *out << fixture.image;
}

class ImageMagickFixture : public testing::TestWithParam<Fixture> {};

TEST_P(ImageMagickFixture, decodesToImageMagicksPixels) {
    const std::string dir = std::string(TERRAINS_SOURCE_DIR) + "/tests/texture/fixtures/";
    const Bytes expected = readFile(dir + GetParam().dump);
    ASSERT_FALSE(expected.empty()) << GetParam().dump;
    std::string errors;
    const Image image = loadCapturing(dir + GetParam().image, &errors);
    ASSERT_FALSE(image.failed) << errors;
    EXPECT_EQ(image.bitsPerPixel, GetParam().bitsPerPixel);
    EXPECT_EQ(image.pixels.size(), size_t(image.width) * image.height * (image.bitsPerPixel / 8));
    EXPECT_EQ(image.pixels, expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ImageMagickFixture,
                         testing::Values(Fixture{"tga24-raw.tga", "tga24-raw.rgb", 24},
                                         Fixture{"tga32-raw.tga", "tga32-raw.rgba", 32},
                                         Fixture{"tga24-rle.tga", "tga24-rle.rgb", 24},
                                         Fixture{"tga32-rle.tga", "tga32-rle.rgba", 32},
                                         Fixture{"tga24-rle-rows.tga", "tga24-rle-rows.rgb", 24},
                                         Fixture{"tga32-rle-rows.tga", "tga32-rle-rows.rgba", 32},
                                         Fixture{"bmp24.bmp", "bmp24.rgb", 24},
                                         Fixture{"bmp24-padded.bmp", "bmp24-padded.rgb", 24}));
