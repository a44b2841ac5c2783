#include "app/Printable.h"

#include <cstdint>

namespace {

// Length of the well-formed UTF-8 sequence at p for a code point of U+00A0 or above, else 0.
std::size_t printableSequence(const unsigned char* p, std::size_t left) {
    const unsigned char lead = p[0];
    std::size_t length;
    uint32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        code = code << 6 | (p[i] & 0x3F);
    }
    static const uint32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF) return 0; // overlong or out of range
    if (code >= 0xD800 && code <= 0xDFFF) return 0;           // surrogates
    if (code < 0xA0) return 0;                                // C1 controls
    return length;
}

} // namespace

std::string printable(const char* text, std::size_t size) {
    static const char hex[] = "0123456789ABCDEF";
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = p[i];
        if ((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n') {
            out += char(c);
            ++i;
            continue;
        }
        if (const std::size_t length = printableSequence(p + i, size - i)) {
            out.append(text + i, length);
            i += length;
            continue;
        }
        out += "\\x";
        out += hex[c >> 4];
        out += hex[c & 15];
        ++i;
    }
    return out;
}
