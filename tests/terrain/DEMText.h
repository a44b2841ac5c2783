#pragma once

#include "terrain/DEMReader.h"
#include "terrain/HeightMap.h"

#include <cstdio>
#include <string>
#include <vector>

// Builds DEM files in the fixed-column layout of USGS one-degree files, for tests that need
// exact control of every field. Elevations are given per profile, south to north.
struct DEMText {
    std::string name = "TEST DEM";
    int levelCode = 1, patternCode = 1, referenceSystem = 0, zone = 0;
    int planimetricUnit = 3, elevationUnit = 2, sides = 4;
    std::string minElevation = "0.000000000000000D+00";
    std::string maxElevation = "0.420500000000000D+04";
    int firstRow = 1, firstColumn = 1;
    std::vector<std::vector<int>> profiles;
    std::string optionalFields; // record A after the column count, as newer writers fill it
    bool records = true;        // 1024-byte records; else record A stops at byte 864, no padding

    static std::string field(const char* format, int value) {
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        return text;
    }
    static std::string i6(int value) { return field("%6d", value); }
    static std::string d24(const std::string& text) {
        return std::string(24 - text.size(), ' ') + text;
    }
    static void pad(std::string& out, size_t to) {
        if (out.size() < to) out.append(to - out.size(), ' ');
    }
    void padRecord(std::string& out) const {
        if (records) pad(out, (out.size() + 1023) / 1024 * 1024);
    }

    std::string recordA() const {
        std::string a = name;
        pad(a, 144);
        a += i6(levelCode) + i6(patternCode) + i6(referenceSystem) + i6(zone);
        for (int i = 0; i < 15; ++i) a += d24("0.000000000000000D+00");
        a += i6(planimetricUnit) + i6(elevationUnit) + i6(sides);
        for (const char* corner :
             {"-0.561600000000000D+06", "0.684000000000000D+05", "-0.561600000000000D+06",
              "0.720000000000000D+05", "-0.558000000000000D+06", "0.720000000000000D+05",
              "-0.558000000000000D+06", "0.684000000000000D+05"})
            a += d24(corner);
        a += d24(minElevation) + d24(maxElevation) + d24("0.000000000000000D+00");
        a += i6(0) + "0.300000E+010.300000E+010.100000E+01";
        a += i6(1) + i6(int(profiles.size()));
        a += optionalFields;
        padRecord(a);
        return a;
    }

    std::string build() const {
        std::string out = recordA();
        for (size_t p = 0; p < profiles.size(); ++p) {
            const std::vector<int>& e = profiles[p];
            out += i6(p == 0 ? firstRow : 1) + i6(p == 0 ? firstColumn : int(p) + 1);
            out += i6(int(e.size())) + i6(1);
            out += d24("-0.561600000000000D+06") + d24("0.684000000000000D+05");
            out += d24("0.000000000000000D+00") + d24("0.000000000000000D+00") +
                   d24("0.000000000000000D+00");
            size_t inBlock = 146; // elevations that fit the profile's first record
            for (size_t j = 0; j < e.size(); ++j) {
                if (records && inBlock == 0) {
                    padRecord(out);
                    inBlock = 170;
                }
                out += i6(e[j]);
                --inBlock;
            }
            padRecord(out);
        }
        if (!records) out += '\n'; // the last elevation needs a whitespace after it
        return out;
    }
};

// A height map filled straight from bytes in memory.
struct MemoryHeightMap : HeightMap {
    void load() override {}
};

inline DEMParse parseText(const std::string& text, HeightMap& map) {
    return parseDEM(text.data(), text.size(), map);
}
