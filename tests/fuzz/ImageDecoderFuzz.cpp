// The image reader on arbitrary bytes: a decoded image holds exactly its pixels, a failed none.
#include "texture/Image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Image image;
    const bool decoded = decodeImage(data, size, image);
    const size_t expected =
        decoded ? size_t(image.width) * image.height * (image.bitsPerPixel / 8) : 0;
    if (decoded == image.failed || image.pixels.size() != expected) std::abort();
    if (decoded && (image.width <= 0 || image.height <= 0)) std::abort();
    return 0;
}
