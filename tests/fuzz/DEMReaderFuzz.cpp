// The DEM reader on arbitrary bytes: whatever it accepts must be a grid of finite heights and
// voids, with at least one height, that the loader's void filling makes complete.
#include "terrain/DEMHeightMap.h"
#include "terrain/DEMReader.h"
#include "terrain/VoidFill.h"

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
    check(map.width >= 1 && map.length >= 1);
    check(map.heights.size() == size_t(map.width) * size_t(map.length));
    // Heights are below 2^31 / 20 in size: every normal stays finite.
    size_t voids = 0;
    for (float h : map.heights) {
        voids += std::isnan(h);
        check(std::isnan(h) || std::fabs(h) < 1.1e8f);
    }
    check(voids == parse.voids && voids < map.heights.size());
    check(fillVoids(map.heights.data(), map.width, map.length) == voids);
    for (float h : map.heights) check(std::isfinite(h));
    if (map.width < 2 || map.length < 2) return 0;

    computeNormals(map);
    check(map.normals.size() == map.heights.size() * 3);
    // A height field's normals point upwards.
    for (size_t i = 0; i < map.normals.size(); i += 3)
        check(std::isfinite(map.normals[i]) && map.normals[i + 1] > 0 &&
              std::isfinite(map.normals[i + 2]));
    return 0;
}
