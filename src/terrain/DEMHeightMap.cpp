#include "terrain/DEMHeightMap.h"

#include "app/Vector3D.h"
#include "terrain/DEMReader.h"
#include "terrain/VoidFill.h"
#include "terrain/ReportText.h"

#include <sys/stat.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

const char* const demCannotOpenMessage = "Can't open DEM file - \"%s\"";
const char* const demFilledVoidsMessage = "Filled %zu void samples from their neighbours\n";

namespace {

const char* const readOutOfMemoryMessage = "Not enough memory to read DEM file - \"%s\"\n";

// A file's bytes, read whole. note: not a std::vector, which would zero the buffer first.
struct FileBytes {
    std::unique_ptr<char[]> data;
    size_t size = 0;
};

// Reads the whole file in as few calls as its size allows; false when it cannot be opened or read.
bool readWholeFile(const char* fileName, FileBytes& bytes) {
    FILE* file = std::fopen(fileName, "r");
    if (!file) return false;
    size_t capacity = size_t(1) << 20;
    struct stat status;
    if (fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0)
        capacity = size_t(status.st_size) + 1; // one spare byte: a single read meets the end
    std::unique_ptr<char[]> data;
    size_t used = 0;
    try {
        data.reset(new char[capacity]);
        for (;;) {
            used += std::fread(data.get() + used, 1, capacity - used, file);
            if (used < capacity) break;
            std::unique_ptr<char[]> larger(new char[capacity * 2]);
            std::memcpy(larger.get(), data.get(), used);
            data = std::move(larger);
            capacity *= 2;
        }
    } catch (...) {
        std::fclose(file);
        throw;
    }
    const bool ok = !std::ferror(file);
    std::fclose(file);
    bytes.data = std::move(data);
    bytes.size = used;
    return ok;
}

[[noreturn]] void abortWith(const std::string& message) {
    std::fflush(stdout); // the header report read so far helps to see where the file went wrong
    std::fputs(message.c_str(), stderr);
    std::abort();
}

inline Vector3D cross(Vector3D a, Vector3D b) {
    return Vector3D(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// Unit normal of the quadrant between neighbours a and b of p.
inline Vector3D faceNormal(Vector3D p, Vector3D a, Vector3D b) {
    Vector3D n = cross(a - p, b - p);
    n.normalize();
    return n;
}

} // namespace

DEMHeightMap::DEMHeightMap(const char* fileName, bool generateNormals)
    : generateNormals(generateNormals), fileName(fileName) {
    DEMHeightMap::load();
}

void DEMHeightMap::load() {
    FileBytes bytes;
    bool read = false;
    try {
        read = readWholeFile(fileName, bytes);
    } catch (const std::bad_alloc&) {
        abortWith(formatted(readOutOfMemoryMessage, fileName));
    }
    if (!read) {
        std::fprintf(stderr, demCannotOpenMessage, fileName);
        std::exit(1);
    }

    const DEMParse parse = parseDEM(bytes.data.get(), bytes.size, *this);
    std::fwrite(parse.report.data(), 1, parse.report.size(), stdout);
    if (!parse.ok) abortWith(parse.error);
    bytes.data.reset();
    if (width < 2 || length < 2) abortWith(formatted(demGridSizeMessage, width, length));

    // Voids are filled before the normals, which would otherwise carry NaN to their neighbours.
    if (parse.voids > 0)
        std::printf(demFilledVoidsMessage, fillVoids(heights.data(), width, length));

    if (generateNormals) {
        try {
            computeNormals();
        } catch (const std::bad_alloc&) {
            abortWith(formatted(demOutOfMemoryMessage, width, length));
        }
    }
}

void DEMHeightMap::computeNormals() {
    ::computeNormals(*this);
}

namespace {

// The interior's faces in closed form. With P = (c, h, r) and its neighbours one step away, the
// cross products reduce to (h_W - h, 1, h - h_S) for f(W, S), (h - h_E, 1, h - h_S) for f(S, E),
// (h - h_E, 1, h_N - h) for f(E, N) and (h_W - h, 1, h_N - h) for f(N, W): the dropped terms are
// products with 0 and 1, so the values are those of the full products (up to the sign of a zero).
// Each face is scaled to unit length exactly as Vector3D::normalize does it.

inline void addUnitFace(float a, float b, float& x, float& y, float& z) {
    const float lengthSquared = a * a + 1.0f + b * b;
    const float length = squareRoot(lengthSquared);
    const float inverse = 1.0f / length;
    x += a * inverse;
    y += inverse;
    z += b * inverse;
}

// Columns first to last - 1 of an interior row, one at a time.
void interiorNormals(const float* heights, int width, int r, int first, int last, float* out) {
    const float* row = heights + size_t(r) * size_t(width);
    const float* north = row - width;
    const float* south = row + width;
    for (int c = first; c < last; ++c) {
        const float h = row[c];
        const float west = row[c - 1] - h, east = h - row[c + 1];
        const float up = north[c] - h, down = h - south[c];
        // First face assigned, not added: 0 + v would turn a -0 into +0.
        const float s0 = west * west + 1.0f + down * down;
        const float i0 = 1.0f / squareRoot(s0);
        float x = west * i0, y = i0, z = down * i0;
        addUnitFace(east, down, x, y, z);
        addUnitFace(east, up, x, y, z);
        addUnitFace(west, up, x, y, z);
        const float lengthSquared = x * x + y * y + z * z;
        const float inverse = 1.0f / squareRoot(lengthSquared);
        float* n = out + size_t(c) * 3;
        n[0] = x * inverse;
        n[1] = y * inverse;
        n[2] = z * inverse;
    }
}

#if defined(__x86_64__)
// The same steps on eight neighbouring samples at once, in the same order per sample: a vector
// square root or division rounds each lane exactly as the scalar one does. Most of the time goes
// into the five roots and five divisions per sample, which eight lanes share.
#define NORMALS_AVX __attribute__((target("avx")))

// 1 / |(a, 1, b)|, rounded as addUnitFace rounds it.
NORMALS_AVX inline __m256 inverseFaceLength(__m256 a, __m256 b) {
    const __m256 lengthSquared = _mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(a, a), _mm256_set1_ps(1.0f)), _mm256_mul_ps(b, b));
    return _mm256_div_ps(_mm256_set1_ps(1.0f), _mm256_sqrt_ps(lengthSquared));
}

NORMALS_AVX inline void addFace(__m256 a, __m256 b, __m256& x, __m256& y, __m256& z) {
    const __m256 inverse = inverseFaceLength(a, b);
    x = _mm256_add_ps(x, _mm256_mul_ps(a, inverse));
    y = _mm256_add_ps(y, inverse);
    z = _mm256_add_ps(z, _mm256_mul_ps(b, inverse));
}

// Columns 1 onwards of an interior row in runs of eight; returns the first column not done.
NORMALS_AVX int interiorNormalsByEight(const float* heights, int width, int r, float* out) {
    const float* row = heights + size_t(r) * size_t(width);
    const float* north = row - width;
    const float* south = row + width;
    int c = 1;
    for (; c + 8 <= width - 1; c += 8) {
        const __m256 h = _mm256_loadu_ps(row + c);
        const __m256 west = _mm256_sub_ps(_mm256_loadu_ps(row + c - 1), h);
        const __m256 east = _mm256_sub_ps(h, _mm256_loadu_ps(row + c + 1));
        const __m256 up = _mm256_sub_ps(_mm256_loadu_ps(north + c), h);
        const __m256 down = _mm256_sub_ps(h, _mm256_loadu_ps(south + c));
        const __m256 i0 = inverseFaceLength(west, down);
        __m256 x = _mm256_mul_ps(west, i0), y = i0, z = _mm256_mul_ps(down, i0);
        addFace(east, down, x, y, z);
        addFace(east, up, x, y, z);
        addFace(west, up, x, y, z);
        const __m256 lengthSquared = _mm256_add_ps(
            _mm256_add_ps(_mm256_mul_ps(x, x), _mm256_mul_ps(y, y)), _mm256_mul_ps(z, z));
        const __m256 inverse = _mm256_div_ps(_mm256_set1_ps(1.0f), _mm256_sqrt_ps(lengthSquared));
        alignas(32) float xs[8], ys[8], zs[8];
        _mm256_store_ps(xs, _mm256_mul_ps(x, inverse));
        _mm256_store_ps(ys, _mm256_mul_ps(y, inverse));
        _mm256_store_ps(zs, _mm256_mul_ps(z, inverse));
        float* n = out + size_t(c) * 3;
        for (int i = 0; i < 8; ++i) {
            n[3 * i] = xs[i];
            n[3 * i + 1] = ys[i];
            n[3 * i + 2] = zs[i];
        }
    }
    return c;
}

bool haveAvx() {
    static const bool avx = (__builtin_cpu_init(), __builtin_cpu_supports("avx"));
    return avx;
}
#endif

void interiorNormals(const float* heights, int width, int r, float* out) {
    int first = 1;
#if defined(__x86_64__)
    if (haveAvx()) first = interiorNormalsByEight(heights, width, r, out);
#endif
    interiorNormals(heights, width, r, first, width - 1, out);
}

// Corners and edges, case by case, with the full vector arithmetic.
void borderNormal(const float* heights, int width, int length, int r, int c, float* out) {
    const float* row = heights + size_t(r) * size_t(width);
    const float x = float(c);
    const float z = float(r);
    const Vector3D p(x, row[c], z);
    auto north = [&] { return Vector3D(x, row[c - width], z - 1); };
    auto south = [&] { return Vector3D(x, row[c + width], z + 1); };
    auto west = [&] { return Vector3D(x - 1, row[c - 1], z); };
    auto east = [&] { return Vector3D(x + 1, row[c + 1], z); };

    const bool top = r == 0, bottom = r == length - 1;
    const bool left = c == 0, right = c == width - 1;
    Vector3D n(0, 0, 0);
    if (top && left) {
        n = faceNormal(p, south(), east());
    } else if (bottom && right) {
        n = faceNormal(p, north(), west());
    } else if (bottom && left) {
        n = faceNormal(p, east(), north());
    } else if (top && right) {
        n = faceNormal(p, west(), south());
    } else if (top) {
        n = faceNormal(p, west(), south()) + faceNormal(p, south(), east());
    } else if (left) {
        n = faceNormal(p, east(), north()) + faceNormal(p, south(), east());
    } else if (bottom) {
        n = faceNormal(p, north(), west()) + faceNormal(p, east(), north());
    } else {
        n = faceNormal(p, north(), west()) + faceNormal(p, west(), south());
    }
    n.normalize();
    out[0] = n.x;
    out[1] = n.y;
    out[2] = n.z;
}

} // namespace

void computeNormals(HeightMap& map) {
    const int width = map.width;
    const int length = map.length;
    assert(width >= 2 && length >= 2 && "normals need a neighbour on each axis");
    assert(map.heights.size() == size_t(width) * size_t(length));
    const float* heights = map.heights.data();
    map.normals.resize(size_t(width) * size_t(length) * 3);
    float* normals = map.normals.data();

    for (int r = 0; r < length; ++r) {
        float* row = normals + size_t(r) * size_t(width) * 3;
        if (r == 0 || r == length - 1) {
            for (int c = 0; c < width; ++c) borderNormal(heights, width, length, r, c, row + c * 3);
            continue;
        }
        borderNormal(heights, width, length, r, 0, row);
        interiorNormals(heights, width, r, row);
        borderNormal(heights, width, length, r, width - 1, row + size_t(width - 1) * 3);
    }
}
