#include "texture/Image.h"

#include "support/AppRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// A TGA of image type 2 (raw) or 10 (run-length encoded), header and then `data`.
Bytes tga(int type, int width, int height, int bits, const Bytes& data) {
    Bytes file = {0, 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int value : {width & 0xff, width >> 8, height & 0xff, height >> 8, bits, 0})
        file.push_back(static_cast<unsigned char>(value));
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

// A BMP with the 40-byte info header; `rows` stored as given, padding included.
Bytes bmp(uint32_t width, uint32_t height, const Bytes& rows, uint32_t bits = 24,
          uint32_t compression = 0, uint32_t offset = 54) {
    Bytes file(54 + rows.size(), 0);
    const std::pair<int, uint32_t> fields[] = {{0, 'B' | 'M' << 8}, {10, offset}, {14, 40},
                                               {18, width},         {22, height}, {28, bits},
                                               {30, compression}};
    for (const auto& [at, value] : fields)
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(value >> 8 * i);
    std::copy(rows.begin(), rows.end(), file.begin() + 54);
    return file;
}

// Decodes from a buffer of exactly the file's size, so the sanitizer sees any read past it.
std::tuple<bool, Image, std::string> decode(const Bytes& file) {
    Image image;
    testing::internal::CaptureStderr();
    const bool ok = decodeImage(file.data(), file.size(), image);
    return {ok, image, testing::internal::GetCapturedStderr()};
}

} // namespace

TEST(DecodeImage, rejectsUnsafeFilesWithTheirMessageAndNoPixels) {
    const std::string raw = "Could not load uncompressed TGA\n",
                      rle = "Could not load compressed TGA\n", bad = "Could not load BMP.\n",
                      unknown = "Unsupported image type\n";
    const Bytes rows(16, 7);
    const std::tuple<const char*, Bytes, std::string> cases[] = {
        {"run past the image end", tga(10, 2, 1, 24, {0x82, 1, 2, 3}), rle},
        {"16 GiB of pixels in 4 KiB", tga(10, 65535, 65535, 32, Bytes(4096, 0xff)), rle},
        {"raw pixels cut short", tga(2, 2, 2, 24, Bytes(11, 7)), raw},
        {"TGA header cut", {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24}, raw},
        {"not square", bmp(2, 1, rows), bad},
        {"8 bits", bmp(2, 2, rows, 8), bad},
        {"compressed, high byte", bmp(2, 2, rows, 24, 0x01000000), bad},
        {"last row's padding missing", bmp(2, 2, Bytes(15, 7)), bad},
        {"offset past the end", bmp(2, 2, rows, 24, 0, 71), bad},
        {"sizes past 32 bits", bmp(0x40000000, 0x40000000, rows), bad},
        {"empty", {}, unknown},
        {"B not followed by M", {'B', 'A', 0, 0}, unknown}};
    for (const auto& [what, file, message] : cases) {
        const auto [ok, image, errors] = decode(file);
        EXPECT_FALSE(ok || !image.failed || !image.pixels.empty()) << what;
        EXPECT_EQ(errors, message) << what;
    }
}

// Files ImageMagick wrote (fixtures/make-fixtures.sh) and the pixels it reads back.
TEST(LoadImage, decodesImageMagicksFilesToThePixelsItReadsBack) {
    const std::string dir = std::string(TERRAINS_SOURCE_DIR) + "/tests/texture/fixtures/";
    for (std::string name : {"tga24-raw", "tga24-2x2", "tga32-raw", "tga24-rle", "tga32-rle",
                             "tga24-rle-rows", "tga32-rle-rows", "bmp24", "bmp24-padded"}) {
        const bool alpha = name.find("32") != std::string::npos;
        const std::string dump = readFile(dir + name + (alpha ? ".rgba" : ".rgb"));
        const Bytes expected(dump.begin(), dump.end());
        const Image image = loadImage((dir + name + (name[0] == 'b' ? ".bmp" : ".tga")).c_str());
        ASSERT_FALSE(image.failed || expected.empty()) << name;
        EXPECT_EQ(image.pixels, expected) << name;
    }
    testing::internal::CaptureStderr();
    EXPECT_TRUE(loadImage("/no/such.tga").failed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not open file /no/such.tga.\n");
}
