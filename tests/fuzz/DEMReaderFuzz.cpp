// The DEM reader on arbitrary bytes: what it accepts has a height, fills and has upward normals.
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
    check(parse.ok == parse.error.empty() && (parse.ok || map.heights.empty()));
    if (!parse.ok) return 0;
    check(map.width >= 1 && map.heights.size() == size_t(map.width) * size_t(map.length));
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
    for (size_t i = 0; i < map.normals.size(); i += 3)
        check(std::isfinite(map.normals[i]) && map.normals[i + 1] > 0 &&
              std::isfinite(map.normals[i + 2]));
    return 0;
}
