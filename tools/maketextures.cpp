// Writes the default texture set into data/textures (or the directory given): seamlessly tileable
// 256 x 256 pictures of water, sand, grass, rock and snow and a mid-grey detail map, as 24-bit
// BMPs and as uncompressed and run-length encoded TGAs. Deterministic: the same bytes every run.
//
// Usage: maketextures [directory]

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 256;
constexpr float kTau = 6.2831853f;

struct Colour {
    float r, g, b;
};

Colour operator+(Colour a, Colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Colour operator*(Colour a, float s) {
    return {a.r * s, a.g * s, a.b * s};
}
Colour mix(Colour a, Colour b, float t) {
    return a * (1 - t) + b * t;
}
Colour rgb(int r, int g, int b) {
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}

float clamp01(float x) {
    return std::min(1.0f, std::max(0.0f, x));
}
float smoothstep(float low, float high, float x) {
    const float t = clamp01((x - low) / (high - low));
    return t * t * (3 - 2 * t);
}

// --- Periodic noise: every function repeats after one texture width, so the tiles have no seams.

uint32_t hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

float hash01(uint32_t x, uint32_t y, uint32_t seed) {
    return (hash(x, y, seed) >> 8) / 16777216.0f;
}

int wrap(int i, int period) {
    return ((i % period) + period) % period;
}

float fade(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

// Gradient noise on a lattice of periodX x periodY cells over the unit square; about -0.7 ... 0.7.
float gradientNoise(float u, float v, int periodX, int periodY, uint32_t seed) {
    const float x = u * periodX, y = v * periodY;
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    auto corner = [&](int dx, int dy) {
        const uint32_t h = hash(wrap(x0 + dx, periodX), wrap(y0 + dy, periodY), seed);
        const float angle = (h & 1023) * (kTau / 1024);
        return std::cos(angle) * (fx - dx) + std::sin(angle) * (fy - dy);
    };
    const float sx = fade(fx), sy = fade(fy);
    const float bottom = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * sx;
    const float top = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * sx;
    return bottom + (top - bottom) * sy;
}

// Octaves of gradient noise, each twice the frequency and `gain` times the amplitude.
float fbm(float u, float v, int period, int octaves, uint32_t seed, float gain = 0.5f) {
    float sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * gradientNoise(u, v, period << o, period << o, seed + o * 101);
        total += amplitude;
        amplitude *= gain;
    }
    return sum / total;
}

// Ridges: 1 at the zero lines of the noise, falling away from them.
float ridged(float u, float v, int period, int octaves, uint32_t seed) {
    float sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        const float n =
            1 - std::fabs(gradientNoise(u, v, period << o, period << o, seed + o * 131));
        sum += amplitude * n * n;
        total += amplitude;
        amplitude *= 0.5f;
    }
    return sum / total;
}

// Distances to the nearest and second-nearest of one random point per cell, in cell units.
struct Cells {
    float nearest, second;
};

Cells cells(float u, float v, int period, uint32_t seed) {
    const float x = u * period, y = v * period;
    const int cx = int(std::floor(x)), cy = int(std::floor(y));
    Cells result{9, 9};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int gx = cx + dx, gy = cy + dy;
            const uint32_t wx = wrap(gx, period), wy = wrap(gy, period);
            const float px = gx + hash01(wx, wy, seed), py = gy + hash01(wx, wy, seed + 7);
            const float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < result.nearest) {
                result.second = result.nearest;
                result.nearest = d;
            } else if (d < result.second) {
                result.second = d;
            }
        }
    }
    return result;
}

// Per-pixel grain, -1 ... 1.
float grain(int x, int y, uint32_t seed) {
    return hash01(x, y, seed) * 2 - 1;
}

// Diffuse and specular light on the surface z = height(u, v), seen from above, lit from the
// upper left. Heights are in tile widths.
struct Light {
    float diffuse, specular;
};

template <typename Height> Light relief(Height height, float u, float v, float shininess) {
    const float d = 1.0f / kSize;
    const float gx = (height(u + d, v) - height(u - d, v)) / (2 * d);
    const float gy = (height(u, v + d) - height(u, v - d)) / (2 * d);
    const float length = std::sqrt(gx * gx + gy * gy + 1);
    const float nx = -gx / length, ny = -gy / length, nz = 1 / length;
    const float lx = -0.48f, ly = 0.48f, lz = 0.73f; // unit light direction
    const float hx = lx * 0.54f, hy = ly * 0.54f,
                hz = (lz + 1) * 0.54f; // half vector, viewer above
    Light light;
    light.diffuse = std::max(0.0f, nx * lx + ny * ly + nz * lz);
    light.specular = std::pow(std::max(0.0f, nx * hx + ny * hy + nz * hz), shininess);
    return light;
}

// --- The pictures. (u, v) in [0, 1) across the tile; x, y the pixel.

using Picture = std::vector<Colour>;

template <typename Shader> Picture paint(Shader shade) {
    Picture picture(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            picture[y * kSize + x] = shade(x, y, (x + 0.5f) / kSize, (y + 0.5f) / kSize);
    return picture;
}

Picture water(uint32_t seed) {
    return paint([seed](int x, int y, float u, float v) {
        const float swell = fbm(u, v, 3, 5, seed);
        // Wave trains with whole numbers of crests across the tile, bent by the swell.
        auto surface = [seed](float u, float v) {
            const float bend = fbm(u, v, 2, 3, seed + 30);
            const float waves = 0.5f * std::sin(kTau * (5 * u + 3 * v) + 4 * bend) +
                                0.3f * std::sin(kTau * (-4 * u + 7 * v) + 3 * bend) +
                                0.2f * std::sin(kTau * (11 * u + 9 * v) + 5 * bend);
            return 0.004f * waves + 0.012f * fbm(u, v, 8, 4, seed + 40);
        };
        const Light light = relief(surface, u, v, 40);
        const Colour deep = rgb(16, 54, 98), shallow = rgb(34, 104, 140),
                     glint = rgb(235, 245, 250);
        Colour colour = mix(deep, shallow, clamp01(0.5f + 1.1f * swell));
        colour = colour * (0.55f + 0.6f * light.diffuse);
        colour = mix(colour, glint, clamp01(0.8f * light.specular));
        return colour * (1 + 0.02f * grain(x, y, seed + 3));
    });
}

Picture sand(uint32_t seed, Colour base) {
    return paint([seed, base](int x, int y, float u, float v) {
        const float dunes = fbm(u, v, 2, 4, seed);
        const float ripples = std::sin(kTau * (3 * u + 14 * v) + 5 * fbm(u, v, 3, 3, seed + 9));
        const float speck = hash01(x, y, seed + 4);
        Colour colour =
            base * (1 + 0.22f * dunes + 0.045f * ripples + 0.07f * grain(x, y, seed + 1));
        if (speck < 0.03f)
            colour = colour * 0.72f; // dark grains
        else if (speck > 0.985f)
            colour = mix(colour, rgb(250, 245, 230), 0.6f); // shell bits
        return colour;
    });
}

Picture grass(uint32_t seed) {
    return paint([seed](int x, int y, float u, float v) {
        const float patches = fbm(u, v, 3, 4, seed);
        // Blades: fine across, long along the tile, in two overlapping layers.
        const float blades =
            gradientNoise(u, v, 96, 12, seed + 2) +
            0.6f * gradientNoise(u + 0.01f * std::sin(kTau * 3 * v), v, 160, 20, seed + 3);
        const Colour dark = rgb(38, 74, 22), lush = rgb(74, 120, 38), dry = rgb(128, 138, 58);
        Colour colour = mix(dark, lush, clamp01(0.55f + 1.1f * patches));
        colour = mix(colour, dry, clamp01(1.4f * fbm(u, v, 2, 3, seed + 17) - 0.1f));
        colour = colour * (1 + 0.28f * blades + 0.06f * grain(x, y, seed + 5));
        const Cells clumps = cells(u, v, 10, seed + 31);
        return colour * (0.82f + 0.18f * smoothstep(0.0f, 0.8f, clumps.nearest));
    });
}

Picture rock(uint32_t seed) {
    return paint([seed](int x, int y, float u, float v) {
        // Relief: sharp ridges, broken facets along cell borders, and finer bumps.
        auto surface = [seed](float u, float v) {
            const float warpU = u + 0.05f * fbm(u, v, 3, 3, seed + 40);
            const float warpV = v + 0.05f * fbm(u, v, 3, 3, seed + 41);
            const Cells c = cells(warpU, warpV, 5, seed + 13);
            return 0.05f * ridged(warpU, warpV, 3, 5, seed + 8) + 0.02f * fbm(u, v, 12, 4, seed) +
                   0.03f * std::min(c.second - c.nearest, 0.5f);
        };
        const Light light = relief(surface, u, v, 8);
        const float lichen = smoothstep(0.25f, 0.5f, fbm(u, v, 6, 4, seed + 70));
        const Colour grey = rgb(132, 126, 116), brown = rgb(138, 112, 86),
                     blue = rgb(108, 114, 120);
        Colour colour = mix(grey, brown, clamp01(0.5f + 1.6f * fbm(u, v, 2, 3, seed + 50)));
        colour = mix(colour, blue, clamp01(1.5f * fbm(u, v, 3, 3, seed + 60)));
        colour = mix(colour, rgb(112, 120, 76), 0.3f * lichen);
        colour = colour * (0.35f + 0.8f * light.diffuse + 0.1f * light.specular);
        return colour * (1 + 0.08f * grain(x, y, seed + 2));
    });
}

Picture snow(uint32_t seed) {
    return paint([seed](int x, int y, float u, float v) {
        const float drift = fbm(u, v, 2, 5, seed);
        const float shadow = smoothstep(-0.05f, 0.35f, -drift);
        const Colour lit = rgb(240, 243, 248), shade = rgb(196, 210, 232);
        Colour colour = mix(lit, shade, 0.75f * shadow);
        colour = colour * (1 + 0.025f * grain(x, y, seed + 1) + 0.03f * fbm(u, v, 16, 2, seed + 3));
        if (hash01(x, y, seed + 9) > 0.996f) colour = rgb(255, 255, 255); // glints
        return colour;
    });
}

// Grey around 128: the combiner doubles unit 0's colour times this, so 128 changes nothing.
Picture detail(uint32_t seed) {
    Picture picture = paint([seed](int x, int y, float u, float v) {
        const float fine = fbm(u, v, 16, 4, seed, 0.6f);
        const float g = 0.5f + 0.22f * fine + 0.05f * grain(x, y, seed + 1);
        return Colour{g, g, g};
    });
    float mean = 0;
    for (const Colour& c : picture) mean += c.r;
    mean /= picture.size();
    for (Colour& c : picture) c = c + Colour{0.5f - mean, 0.5f - mean, 0.5f - mean};
    return picture;
}

// --- Files.

using Bytes = std::vector<unsigned char>;

unsigned char toByte(float x) {
    return static_cast<unsigned char>(std::lround(clamp01(x) * 255));
}

void put16(Bytes& bytes, uint32_t value) {
    bytes.push_back(value & 0xff);
    bytes.push_back((value >> 8) & 0xff);
}
void put32(Bytes& bytes, uint32_t value) {
    put16(bytes, value & 0xffff);
    put16(bytes, value >> 16);
}

// Picture row 0 is stored first: the bottom row of a bottom-up file, texture t = 0.
Bytes bmp(const Picture& picture) {
    const uint32_t pixelBytes = kSize * kSize * 3; // rows of 768 bytes need no padding
    Bytes bytes{'B', 'M'};
    put32(bytes, 54 + pixelBytes);
    put32(bytes, 0);
    put32(bytes, 54);
    put32(bytes, 40);
    put32(bytes, kSize);
    put32(bytes, kSize);
    put16(bytes, 1);
    put16(bytes, 24);
    put32(bytes, 0);
    put32(bytes, pixelBytes);
    put32(bytes, 2835); // 72 dots per inch
    put32(bytes, 2835);
    put32(bytes, 0);
    put32(bytes, 0);
    for (const Colour& c : picture) {
        bytes.push_back(toByte(c.b));
        bytes.push_back(toByte(c.g));
        bytes.push_back(toByte(c.r));
    }
    return bytes;
}

Bytes tga(const Picture& picture, int bitsPerPixel, bool runLength) {
    Bytes bytes{0, 0, static_cast<unsigned char>(runLength ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(bytes, kSize);
    put16(bytes, kSize);
    bytes.push_back(static_cast<unsigned char>(bitsPerPixel));
    bytes.push_back(bitsPerPixel == 32 ? 8 : 0); // alpha bits; bottom-left origin
    const int bytesPerPixel = bitsPerPixel / 8;
    std::vector<Bytes> pixels;
    for (const Colour& c : picture) {
        Bytes pixel{toByte(c.b), toByte(c.g), toByte(c.r)};
        if (bytesPerPixel == 4) pixel.push_back(255);
        pixels.push_back(pixel);
    }
    if (!runLength) {
        for (const Bytes& pixel : pixels) bytes.insert(bytes.end(), pixel.begin(), pixel.end());
        return bytes;
    }
    // Runs of two or more equal pixels become run packets, the rest raw packets; packets run on
    // across row ends.
    size_t i = 0;
    while (i < pixels.size()) {
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i]) ++run;
        if (run >= 2) {
            bytes.push_back(static_cast<unsigned char>(127 + run));
            bytes.insert(bytes.end(), pixels[i].begin(), pixels[i].end());
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixels.size() && raw < 128 &&
               !(i + raw + 1 < pixels.size() && pixels[i + raw + 1] == pixels[i + raw]))
            ++raw;
        bytes.push_back(static_cast<unsigned char>(raw - 1));
        for (size_t k = 0; k < raw; ++k)
            bytes.insert(bytes.end(), pixels[i + k].begin(), pixels[i + k].end());
        i += raw;
    }
    return bytes;
}

bool write(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "maketextures: cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "data/textures";
    const Picture waterPicture = water(100);
    const Picture snowPicture = snow(500);
    const Colour dune = rgb(198, 172, 124), beach = rgb(214, 194, 150);
    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {
        {"water.bmp", bmp(waterPicture)},
        {"lowestTile.tga", tga(sand(200, dune), 24, true)},
        {"lowTile.tga", tga(grass(300), 24, false)},
        {"highTile.tga", tga(rock(400), 24, true)},
        {"snow.bmp", bmp(snowPicture)},
        {"detailMap.tga", tga(detail(600), 24, true)},
        {"water.tga", tga(waterPicture, 32, false)},
        {"beach_tile.tga", tga(sand(700, beach), 24, false)},
        {"grass_tile.tga", tga(grass(800), 24, true)},
        {"snow_tile.tga", tga(snowPicture, 32, true)},
    };
    for (const auto& file : files)
        if (!write(dir + "/" + file.name, file.bytes)) return 1;
    return 0;
}
