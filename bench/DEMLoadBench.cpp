// Loading the default terrain (file read, parse, void fill, normals) beside GDAL converting the
// same file to a raw raster in the same run: the loader should take under half of GDAL's time.
#include "BenchSupport.h"

#include "terrain/DEMHeightMap.h"
#include "terrain/DEMReader.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::string demPath = TERRAINS_SOURCE_DIR "/data/hawaii-c";

int64_t fileSize(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? int64_t(status.st_size) : 0;
}

struct MemoryHeightMap : HeightMap {
    void load() override {}
};

void loadWithNormals(benchmark::State& state) {
    {
        Silenced silenced;
        for (auto _ : state) {
            DEMHeightMap map(demPath.c_str(), true);
            benchmark::DoNotOptimize(map.normals.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * fileSize(demPath));
}
BENCHMARK(loadWithNormals)->Unit(benchmark::kMillisecond)->UseRealTime();

// The parts of the load: parsing from memory, and the normals pass.
void parseFromMemory(benchmark::State& state) {
    std::ifstream in(demPath, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    for (auto _ : state) {
        MemoryHeightMap map;
        benchmark::DoNotOptimize(parseDEM(bytes.data(), bytes.size(), map).ok);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}
BENCHMARK(parseFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void normalsOnly(benchmark::State& state) {
    std::ifstream in(demPath, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    MemoryHeightMap map;
    parseDEM(bytes.data(), bytes.size(), map);
    for (auto _ : state) {
        computeNormals(map);
        benchmark::DoNotOptimize(map.normals.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(map.heights.size()));
}
BENCHMARK(normalsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: `gdal_translate -q -of ENVI hawaii-c out.envi`, process start included, as a user
// would run it.
void gdalTranslateToEnvi(benchmark::State& state) {
    char directory[] = "/tmp/dem-bench-XXXXXX";
    if (!mkdtemp(directory)) {
        state.SkipWithError("cannot make a temporary directory");
        return;
    }
    const std::string out = std::string(directory) + "/hawaii-c.envi";
    std::vector<std::string> words = {"gdal_translate", "-q", "-of", "ENVI", demPath, out};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid;
        int status = -1;
        if (posix_spawnp(&pid, "gdal_translate", nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("gdal_translate failed (install gdal-bin)");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * fileSize(demPath));
    std::system(("rm -rf '" + std::string(directory) + "'").c_str());
}
BENCHMARK(gdalTranslateToEnvi)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
