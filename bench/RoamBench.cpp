// The mesh on the default map (data/hawaii-c, 1201 x 1201, meshed as 1025 x 1025): construction,
// the update of every frame during continuous flight, and resident memory.
#include "BenchSupport.h"

#include "roam/Roam.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A flight across the map at the camera's step of 2 units per frame, 100 units above the ground
// under it, along waypoints over the island, the coast and the sea.
std::vector<Vector3D> scriptedFlight(const HeightMap& map, int frames) {
    const float w = static_cast<float>(map.width - 1), l = static_cast<float>(map.length - 1);
    const float waypoints[][2] = {{0.50f, 0.75f}, {0.50f, 0.15f}, {0.85f, 0.30f}, {0.20f, 0.80f},
                                  {0.15f, 0.20f}, {0.80f, 0.85f}, {0.50f, 0.75f}};
    std::vector<Vector3D> path;
    float x = waypoints[0][0] * w, z = waypoints[0][1] * l;
    for (int leg = 1; static_cast<int>(path.size()) < frames; leg = leg % 6 + 1) {
        const float tx = waypoints[leg][0] * w, tz = waypoints[leg][1] * l;
        const float dx = tx - x, dz = tz - z, length = std::sqrt(dx * dx + dz * dz);
        const int steps = static_cast<int>(length / 2.0f);
        for (int i = 0; i < steps && static_cast<int>(path.size()) < frames; ++i) {
            x += 2.0f * dx / length;
            z += 2.0f * dz / length;
            path.emplace_back(x, map.at(static_cast<int>(z), static_cast<int>(x)) + 100.0f, z);
        }
        x = tx;
        z = tz;
    }
    return path;
}

long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0) return std::stol(line.substr(length + 1));
    return -1;
}

// Resident memory: the process before and after building the mesh on the default map, measured
// first, before any other benchmark has grown the process.
void residentMemoryAfterConstruction(benchmark::State& state) {
    const HeightMap& map = defaultMap();
    const Camera camera = startCamera(map);
    for (auto _ : state) {
        const long before = statusKilobytes("VmRSS:");
        std::streambuf* errors = std::cerr.rdbuf(nullptr);
        Roam roam(camera, map, nullptr);
        std::cerr.rdbuf(errors);
        const long after = statusKilobytes("VmRSS:");
        state.counters["roam_MB"] = static_cast<double>(after - before) / 1024.0;
        state.counters["process_MB"] = static_cast<double>(after) / 1024.0;
        state.counters["peak_MB"] = static_cast<double>(statusKilobytes("VmHWM:")) / 1024.0;
        state.counters["entry_bytes"] = sizeof(BinTriangle);
        state.counters["pool_entries"] = 2.0 * roam.fullResolutionTriangles + 1;
    }
}
BENCHMARK(residentMemoryAfterConstruction)->Iterations(1)->Unit(benchmark::kMillisecond);

void constructOnDefaultMap(benchmark::State& state) {
    const HeightMap& map = defaultMap();
    const Camera camera = startCamera(map);
    std::streambuf* errors = std::cerr.rdbuf(nullptr); // the size warnings, once per build
    unsigned triangles = 0;
    for (auto _ : state) {
        Roam roam(camera, map, nullptr);
        triangles = roam.triangleCount;
        benchmark::DoNotOptimize(roam.pool);
    }
    std::cerr.rdbuf(errors);
    state.counters["triangles"] = triangles;
}
BENCHMARK(constructOnDefaultMap)->Unit(benchmark::kMillisecond);

double threadProcessorSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// FNV-1a over the state an update leaves: the counts, the last priorities and both queues in heap
// order. Builds that split and merge in the same sequence end the flight with the same value.
uint64_t hashState(uint64_t hash, const Roam& roam) {
    const auto add = [&hash](const void* data, std::size_t bytes) {
        const unsigned char* byte = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < bytes; ++i) hash = (hash ^ byte[i]) * 1099511628211ull;
    };
    add(&roam.triangleCount, sizeof roam.triangleCount);
    add(&roam.lastSplit, sizeof roam.lastSplit);
    add(&roam.lastMerge, sizeof roam.lastMerge);
    for (std::size_t p = 0; p < roam.splitQueue.size(); ++p) {
        const uint32_t triangle = roam.splitQueue.triangle(p);
        const float key = roam.splitQueue.key(p);
        add(&triangle, sizeof triangle);
        add(&key, sizeof key);
    }
    add(roam.mergeQueue.data(), roam.mergeQueue.size() * sizeof(uint32_t));
    return hash;
}

// Every frame moves the camera, so every update re-prioritises and rebuilds both queues and then
// spends its budget of steps.
void updateInContinuousFlight(benchmark::State& state) {
    const HeightMap& map = defaultMap();
    const std::vector<Vector3D> path = scriptedFlight(map, 2400);
    std::streambuf* errors = std::cerr.rdbuf(nullptr);
    Roam roam(startCamera(map), map, nullptr);
    std::cerr.rdbuf(errors);
    Camera camera(&map);
    double total = 0, worst = 0, processor = 0, worstProcessor = 0;
    std::vector<double> times;
    std::size_t frames = 0, splitEntries = 0, mergeEntries = 0;
    uint64_t sequence = 14695981039346656037ull;
    for (auto _ : state) {
        camera.position = path[frames % path.size()];
        const double processorBegin = threadProcessorSeconds();
        const auto begin = std::chrono::steady_clock::now();
        roam.update(camera);
        const auto end = std::chrono::steady_clock::now();
        const double processorSeconds = threadProcessorSeconds() - processorBegin;
        processor += processorSeconds;
        worstProcessor = std::max(worstProcessor, processorSeconds);
        const double seconds = std::chrono::duration<double>(end - begin).count();
        total += seconds;
        worst = std::max(worst, seconds);
        times.push_back(seconds);
        splitEntries += roam.splitQueue.size();
        mergeEntries += roam.mergeQueue.size();
        sequence = hashState(sequence, roam);
        ++frames;
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    state.counters["mean_ms"] = 1e3 * total / static_cast<double>(frames);
    // The thread's processor time: what the updates cost without the waits of a shared machine.
    state.counters["mean_cpu_ms"] = 1e3 * processor / static_cast<double>(frames);
    state.counters["worst_cpu_ms"] = 1e3 * worstProcessor;
    state.counters["median_ms"] = 1e3 * times[times.size() / 2];
    state.counters["worst_ms"] = 1e3 * worst;
    state.counters["triangles"] = roam.triangleCount;
    state.counters["split_queue"] = static_cast<double>(splitEntries) / static_cast<double>(frames);
    // The geometry cache grows with the ground covered: the whole process after the flight.
    state.counters["process_MB"] = static_cast<double>(statusKilobytes("VmRSS:")) / 1024.0;
    state.counters["merge_queue"] = static_cast<double>(mergeEntries) / static_cast<double>(frames);
    char label[32];
    std::snprintf(label, sizeof label, "sequence %016llx",
                  static_cast<unsigned long long>(sequence));
    state.SetLabel(label);
}
BENCHMARK(updateInContinuousFlight)->Iterations(2400)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
