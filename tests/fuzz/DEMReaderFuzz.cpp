// The DEM reader on arbitrary bytes: whatever it accepts must be a complete, finite grid.
#include "terrain/DEMHeightMap.h"
#include "terrain/DEMReader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

struct FuzzHeightMap : HeightMap {
    void load() override {}
};

void check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHeightMap map;
    const DEMParse parse = parseDEM(reinterpret_cast<const char*>(data), size, map);
    if (!parse.ok) {
        check(!parse.error.empty() && map.heights.empty());
        return 0;
    }
    check(parse.error.empty());
    check(map.width >= 2 && map.length >= 2);
    check(map.heights.size() == size_t(map.width) * size_t(map.length));
    for (float h : map.heights) check(std::isfinite(h));

    computeNormals(map);
    check(map.normals.size() == map.heights.size() * 3);
    // Heights up to 2^31 / 20 leave every normal finite, and a height field's point upwards.
    for (size_t i = 0; i < map.normals.size(); i += 3)
        check(std::isfinite(map.normals[i]) && map.normals[i + 1] > 0 &&
              std::isfinite(map.normals[i + 2]));
    return 0;
}
