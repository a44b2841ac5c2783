// The steps of `terrains --fit` on a 3601 x 3601 GeoTIFF (an SRTM one-arc-second tile's size,
// made from the island with gdal_translate -outsize) up to its textures, beside gdal_translate
// converting the same file to a raw raster in the same run. The whole path to the first frame,
// with its peak memory, is timed by bench/raster-first-frame.sh.
#include "BenchSupport.h"

#include "terrain/DEMHeightMap.h"
#include "terrain/GDALHeightMap.h"
#include "terrain/MapFit.h"
#include "texture/HeightMapTexture.h"
#include "texture/NormalMap.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct MemoryHeightMap : HeightMap {
    void load() override {}
};

bool run(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid;
    int status = -1;
    return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 &&
           waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The 3601 x 3601 tile, written once into a directory removed at exit.
const std::string& tile() {
    static const std::string path = [] {
        static char directory[] = "/tmp/raster-bench-XXXXXX";
        if (!mkdtemp(directory)) return std::string();
        std::atexit([] { std::system(("rm -rf '" + std::string(directory) + "'").c_str()); });
        const std::string tif = std::string(directory) + "/N19W156-3601.tif";
        return run({"gdal_translate", "-q", "-outsize", "3601", "3601",
                    TERRAINS_SOURCE_DIR "/data/hawaii-c", tif})
                   ? tif
                   : std::string();
    }();
    return path;
}

const HeightMap& readTile() {
    static const HeightMap* map = [] {
        auto* read = new MemoryHeightMap;
        readRaster(tile().c_str(), *read);
        return read;
    }();
    return *map;
}

const HeightMap& fittedTile() {
    static const HeightMap* map = [] {
        auto* fitted = new MemoryHeightMap(static_cast<const MemoryHeightMap&>(readTile()));
        fitToMesh(*fitted);
        computeNormals(*fitted);
        return fitted;
    }();
    return *map;
}

void readRaster3601(benchmark::State& state) {
    if (tile().empty()) return state.SkipWithError("gdal_translate failed (install gdal-bin)");
    for (auto _ : state) {
        MemoryHeightMap map;
        const RasterRead read = readRaster(tile().c_str(), map);
        if (!read.ok) return state.SkipWithError(read.error.c_str());
        benchmark::DoNotOptimize(map.heights.data());
    }
}
BENCHMARK(readRaster3601)->Unit(benchmark::kMillisecond)->UseRealTime();

void fit3601To4097(benchmark::State& state) {
    if (tile().empty()) return state.SkipWithError("gdal_translate failed (install gdal-bin)");
    for (auto _ : state) {
        state.PauseTiming();
        MemoryHeightMap map(static_cast<const MemoryHeightMap&>(readTile()));
        state.ResumeTiming();
        if (!fitToMesh(map).ok) return state.SkipWithError("the resampling failed");
        benchmark::DoNotOptimize(map.heights.data());
    }
}
BENCHMARK(fit3601To4097)->Unit(benchmark::kMillisecond)->UseRealTime();

void normals4097(benchmark::State& state) {
    if (tile().empty()) return state.SkipWithError("gdal_translate failed (install gdal-bin)");
    MemoryHeightMap map;
    map.width = map.length = fittedTile().width;
    map.heights = fittedTile().heights;
    for (auto _ : state) {
        computeNormals(map);
        benchmark::DoNotOptimize(map.normals.data());
    }
}
BENCHMARK(normals4097)->Unit(benchmark::kMillisecond)->UseRealTime();

// The shader texturing's two map textures, 4096 x 4096 texels each.
void shaderMapTexels4096(benchmark::State& state) {
    if (tile().empty()) return state.SkipWithError("gdal_translate failed (install gdal-bin)");
    const HeightMap& map = fittedTile();
    for (auto _ : state) {
        benchmark::DoNotOptimize(normalTexels(map, 4096, 4096).data());
        benchmark::DoNotOptimize(heightTexels(map, 4096, 4096).data());
    }
}
BENCHMARK(shaderMapTexels4096)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: `gdal_translate -q -of ENVI tile.tif out.envi`, process start included.
void gdalTranslateToEnvi(benchmark::State& state) {
    if (tile().empty()) return state.SkipWithError("gdal_translate failed (install gdal-bin)");
    const std::string out = tile() + ".envi";
    for (auto _ : state)
        if (!run({"gdal_translate", "-q", "-of", "ENVI", tile(), out}))
            return state.SkipWithError("gdal_translate failed");
}
BENCHMARK(gdalTranslateToEnvi)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
