// Writes the default terrain, data/hawaii-c: a volcanic island on a one-degree tile of 1201 x 1201
// samples at 3 arc-seconds, in the classic layout of one-degree USGS DEM files.
// Usage: generate-island OUTPUT
//
// Five shield volcanoes with rift zones and calderas, joined by saddles, roughened by fractal
// noise and carved by stream-power erosion along a drainage network that always reaches the sea.
// The sea is exactly 0 m, the highest point exactly 4205 m. Deterministic: a fixed seed, and no
// generator whose sequence the library may change.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <queue>
#include <string>
#include <vector>

namespace {

constexpr int size = 1201; // samples per side
constexpr int peakElevation = 4205;
constexpr uint32_t seed = 0x5eed1201u;
constexpr double islandCentre = 585, islandShift = 62, islandScale = 0.88;

double square(double x) {
    return x * x;
}

// --- Noise --------------------------------------------------------------------------------------

uint32_t hash(int32_t x, int32_t y, uint32_t salt) {
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ salt * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x85ebca6bu;
    h ^= h >> 16;
    return h;
}

double fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

// Gradient noise in about -1..1, one lattice cell per unit.
double gradientNoise(double x, double y, uint32_t salt) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = int32_t(fx), iy = int32_t(fy);
    const double dx = x - fx, dy = y - fy;
    struct Gradients {
        double x[256], y[256];
        Gradients() {
            for (int i = 0; i < 256; ++i) {
                x[i] = std::cos(i * (6.283185307179586 / 256));
                y[i] = std::sin(i * (6.283185307179586 / 256));
            }
        }
    };
    static const Gradients gradients;
    auto corner = [&](int cx, int cy) {
        const uint32_t g = hash(ix + cx, iy + cy, salt) >> 24;
        return gradients.x[g] * (dx - cx) + gradients.y[g] * (dy - cy);
    };
    const double u = fade(dx), v = fade(dy);
    const double bottom = corner(0, 0) + u * (corner(1, 0) - corner(0, 0));
    const double top = corner(0, 1) + u * (corner(1, 1) - corner(0, 1));
    return 1.41421356 * (bottom + v * (top - bottom));
}

double fractalNoise(double x, double y, int octaves, uint32_t salt) {
    double sum = 0, amplitude = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * gradientNoise(x, y, salt + uint32_t(i));
        norm += amplitude;
        amplitude *= 0.5;
        x *= 2.03;
        y *= 2.03;
    }
    return sum / norm;
}

const int rowStep[8] = {-1, 1, 0, 0, -1, -1, 1, 1};
const int columnStep[8] = {0, 0, -1, 1, -1, 1, -1, 1};
const double stepLength[8] = {1, 1, 1, 1, 1.41421356, 1.41421356, 1.41421356, 1.41421356};

double smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// --- Volcanoes ----------------------------------------------------------------------------------

struct Rift {
    double angle;  // direction from the summit, radians, x east and y south
    double length; // samples
    double width;
    double height; // metres at the summit end
};

struct Volcano {
    double x, y;        // summit, in samples from the north-west corner
    double height;      // metres
    double radius;      // samples to where the shield meets the sea floor
    double stretch;     // elongation along `axis`
    double axis;        // radians
    double caldera;     // radius in samples, 0 for none
    double erodibility; // older shields are carved deeper
    std::vector<Rift> rifts;
};

const std::vector<Volcano>& volcanoes() {
    static const std::vector<Volcano> list = {
        // An old shield at the northern tip, deeply cut.
        {390, 300, 1700, 170, 1.5, -0.9, 0, 3.0, {{-0.9, 140, 45, 180}, {2.2, 110, 40, 140}}},
        // The highest and oldest of the great shields.
        {580, 450, 4380, 270, 1.15, 0.3, 0, 1.8, {{-2.7, 170, 60, 220}, {0.25, 190, 60, 220}}},
        // A shield on the west coast.
        {350, 610, 2600, 160, 1.3, -1.3, 0, 1.2, {{-1.25, 130, 40, 160}, {1.9, 110, 40, 160}}},
        // The broadest shield, young, with a summit caldera and two long rift zones.
        {560, 730, 4290, 330, 1.35, 0.65, 17, 0.55, {{0.55, 250, 55, 260}, {2.3, 270, 55, 260}}},
        // A young shield on the flank of the broad one, with its caldera.
        {800, 800, 1300, 170, 1.2, 0.0, 13, 0.45, {{0.1, 190, 40, 170}, {2.6, 150, 35, 120}}},
    };
    return list;
}

// Height of a shield at distance t (0 at the summit, 1 at its foot): a flattish top and flanks
// that grow gentler toward the foot.
double shield(double t) {
    if (t >= 1) return 0;
    return std::pow(1 - std::pow(t, 1.6), 1.8);
}

double volcanoHeight(const Volcano& v, double x, double y) {
    const double dx = x - v.x, dy = y - v.y;
    const double along = dx * std::cos(v.axis) + dy * std::sin(v.axis);
    const double across = -dx * std::sin(v.axis) + dy * std::cos(v.axis);
    const double distance = std::sqrt(square(along / v.stretch) + square(across));
    double h = v.height * shield(distance / v.radius);
    for (const Rift& rift : v.rifts) {
        const double ra = dx * std::cos(rift.angle) + dy * std::sin(rift.angle);
        const double rc = -dx * std::sin(rift.angle) + dy * std::cos(rift.angle);
        if (ra <= 0 || ra >= rift.length) continue;
        const double fall = std::pow(1 - ra / rift.length, 1.3);
        h += rift.height * fall * std::exp(-square(rc / rift.width));
    }
    if (v.caldera > 0) {
        const double d = std::sqrt(dx * dx + dy * dy);
        // A flat floor 150 m down inside a sharp rim.
        h -= 150 * (1 - smoothstep(v.caldera * 0.75, v.caldera, d));
    }
    return h;
}

// --- Erosion ------------------------------------------------------------------------------------

// Fills every pit so that each land cell has a strictly lower neighbour on its way to the sea
// (a priority flood from the coast, rising by a millimetre per step across flats). `order` gets
// the cells from low to high: every cell comes after its lower neighbours.
void fillPits(std::vector<double>& h, std::vector<int32_t>& order) {
    order.clear();
    using Entry = std::pair<double, int32_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    std::vector<uint8_t> seen(h.size(), 0);
    for (int32_t i = 0; i < int32_t(h.size()); ++i) {
        if (h[size_t(i)] > 0) continue;
        seen[size_t(i)] = 1;
        open.push({h[size_t(i)], i});
    }
    while (!open.empty()) {
        const int32_t i = open.top().second;
        open.pop();
        order.push_back(i);
        const int r = i / size, c = i % size;
        for (int k = 0; k < 8; ++k) {
            const int rr = r + rowStep[k], cc = c + columnStep[k];
            if (rr < 0 || rr >= size || cc < 0 || cc >= size) continue;
            const int32_t j = rr * size + cc;
            if (seen[size_t(j)]) continue;
            seen[size_t(j)] = 1;
            h[size_t(j)] = std::max(h[size_t(j)], h[size_t(i)] + 1e-3);
            open.push({h[size_t(j)], j});
        }
    }
}

// Implicit stream-power incision (n = 1, m = 0.5) along the steepest descent, stable for any
// step, so a few passes cut valleys whose depth grows with the area draining through them; a
// little hillslope diffusion after each pass rounds the valley walls.
void erode(std::vector<double>& h, const std::vector<double>& erodibility, int passes) {
    std::vector<int32_t> receiver(h.size()), order(h.size());
    std::vector<double> area(h.size()), smoothed(h.size());
    for (int pass = 0; pass < passes; ++pass) {
        // note: filling is the slow step; between fills a sort orders the cells, and the few
        // pits that smoothing leaves simply hold their water for a pass.
        if (pass % 4 == 0) {
            fillPits(h, order);
        } else {
            std::vector<std::pair<double, int32_t>> byHeight(h.size());
            for (int32_t i = 0; i < int32_t(h.size()); ++i) byHeight[size_t(i)] = {h[size_t(i)], i};
            std::sort(byHeight.begin(), byHeight.end());
            for (size_t k = 0; k < byHeight.size(); ++k) order[k] = byHeight[k].second;
        }
        for (int32_t i = 0; i < int32_t(h.size()); ++i) {
            receiver[size_t(i)] = i;
            if (h[size_t(i)] <= 0) continue;
            const int r = i / size, c = i % size;
            double steepest = 0;
            for (int k = 0; k < 8; ++k) {
                const int rr = r + rowStep[k], cc = c + columnStep[k];
                if (rr < 0 || rr >= size || cc < 0 || cc >= size) continue;
                const int32_t j = rr * size + cc;
                const double slope = (h[size_t(i)] - h[size_t(j)]) / stepLength[k];
                if (slope > steepest) {
                    steepest = slope;
                    receiver[size_t(i)] = j;
                }
            }
        }
        std::fill(area.begin(), area.end(), 1.0);
        for (size_t k = order.size(); k-- > 0;) {
            const int32_t i = order[k];
            if (receiver[size_t(i)] != i) area[size_t(receiver[size_t(i)])] += area[size_t(i)];
        }
        for (const int32_t i : order) {
            const int32_t j = receiver[size_t(i)];
            if (j == i) continue;
            const bool diagonal = (i / size != j / size) && (i % size != j % size);
            // Channels start where some area drains: bare hillslopes are not grooved.
            const double channel = std::max(0.0, std::sqrt(area[size_t(i)]) - 3);
            const double f = erodibility[size_t(i)] * channel / (diagonal ? 1.41421356 : 1.0);
            h[size_t(i)] = (h[size_t(i)] + f * h[size_t(j)]) / (1 + f);
        }
        smoothed = h;
        for (int r = 1; r < size - 1; ++r)
            for (int c = 1; c < size - 1; ++c) {
                const size_t i = size_t(r) * size + c;
                if (h[i] <= 0) continue;
                const double around = h[i - 1] + h[i + 1] + h[i - size] + h[i + size];
                smoothed[i] = h[i] + 0.12 * (around - 4 * h[i]);
            }
        h.swap(smoothed);
    }
}

// --- The file -----------------------------------------------------------------------------------

// A real in the DEM's D24.15 form, mantissa below 1: 4205 is "0.420500000000000D+04".
std::string real24(double value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.14E", value); // d.ddddddddddddddE+xx
    std::string text(digits);
    const size_t e = text.find('E');
    const bool negative = text[0] == '-';
    const std::string mantissa = text.substr(negative ? 1 : 0, e - (negative ? 1 : 0));
    int exponent = std::atoi(text.c_str() + e + 1) + 1;
    if (value == 0) exponent = 0;
    char out[40];
    std::snprintf(out, sizeof out, "%s0.%c%sD%c%02d", negative ? "-" : "", mantissa[0],
                  mantissa.substr(2).c_str(), exponent < 0 ? '-' : '+', std::abs(exponent));
    char field[40];
    std::snprintf(field, sizeof field, "%24s", out);
    return field;
}

std::string int6(int value) {
    char field[16];
    std::snprintf(field, sizeof field, "%6d", value);
    return field;
}

void padRecord(std::string& out) {
    out.append((1024 - out.size() % 1024) % 1024, ' ');
}

std::string padded(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

// Elevations are given row by row from the north; profiles run south to north.
std::string demFile(const std::vector<int>& elevation) {
    const double west = -156 * 3600.0, south = 19 * 3600.0, spacing = 3.0;
    const double east = west + spacing * (size - 1), north = south + spacing * (size - 1);
    const int low = *std::min_element(elevation.begin(), elevation.end());
    const int high = *std::max_element(elevation.begin(), elevation.end());

    std::string out;
    out += padded("HAWAII-C", 40) + padded("SYNTHETIC VOLCANIC ISLAND, 3 ARC-SECONDS", 40);
    out = padded(out, 144);
    out += int6(1) + int6(1) + int6(0) + int6(0); // level, pattern, geographic, zone
    for (int i = 0; i < 15; ++i) out += real24(0);
    out += int6(3) + int6(2) + int6(4); // arc-seconds, metres, four sides
    for (double corner : {west, south, west, north, east, north, east, south})
        out += real24(corner);
    out += real24(low) + real24(high) + real24(0); // elevation range, rotation
    out += int6(0) + "0.300000E+010.300000E+010.100000E+01" + int6(1) + int6(size);
    padRecord(out);

    for (int p = 0; p < size; ++p) {
        int profileLow = elevation[size_t(p)], profileHigh = profileLow;
        for (int r = 0; r < size; ++r) {
            profileLow = std::min(profileLow, elevation[size_t(r) * size + p]);
            profileHigh = std::max(profileHigh, elevation[size_t(r) * size + p]);
        }
        out += int6(1) + int6(p + 1) + int6(size) + int6(1);
        out += real24(west + spacing * p) + real24(south) + real24(0);
        out += real24(profileLow) + real24(profileHigh);
        int room = 146; // elevations in the profile's first record, then 170 per record
        for (int r = size - 1; r >= 0; --r) {
            if (room == 0) {
                padRecord(out);
                room = 170;
            }
            out += int6(elevation[size_t(r) * size + p]);
            --room;
        }
        padRecord(out);
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }

    const std::vector<Volcano>& shields = volcanoes();
    const size_t samples = size_t(size) * size;
    std::vector<double> h(samples), erodibility(samples);
    const double blend = 120; // metres: how softly neighbouring shields merge into saddles
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            // note: the mesh covers only the first 1025 rows and columns (a power of two plus
            // one), so the island sits in the north-west of the tile, with sea all round it.
            const double x = islandCentre + (c + islandShift - islandCentre) / islandScale;
            const double y = islandCentre + (r + islandShift - islandCentre) / islandScale;
            // Warp the coordinates a little so that coasts and flanks are not perfect curves.
            const double wx = x + 22 * fractalNoise(x / 160.0, y / 160.0, 3, seed);
            const double wy = y + 22 * fractalNoise(x / 160.0, y / 160.0, 3, seed + 17);
            double sum = 0, weighted = 0;
            for (const Volcano& v : shields) {
                const double weight = std::exp(volcanoHeight(v, wx, wy) / blend);
                sum += weight;
                weighted += weight * v.erodibility;
            }
            double height = blend * std::log(sum);
            // Rough lava surfaces, stronger on the flanks than at the coast.
            height +=
                110 * fractalNoise(x / 30.0, y / 30.0, 6, seed + 101) * smoothstep(0, 800, height);
            height += 14 * fractalNoise(x / 7.0, y / 7.0, 3, seed + 202);
            // The sea floor drops away from the coast; the tile's edges are open sea.
            const double fromCentre = std::hypot(x - 600.0, y - 600.0);
            height -= 260 + 3000 * smoothstep(520, 590, fromCentre);
            h[size_t(r) * size + c] = height;
            erodibility[size_t(r) * size + c] = 0.02 * weighted / sum;
        }
    }

    erode(h, erodibility, 8);

    double highest = 0;
    for (double v : h) highest = std::max(highest, v);
    const double scale = peakElevation / highest;
    std::vector<int> elevation(samples);
    for (size_t i = 0; i < samples; ++i)
        elevation[i] = h[i] <= 0 ? 0 : int(std::lround(h[i] * scale));

    const std::string file = demFile(elevation);
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "generate-island: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
