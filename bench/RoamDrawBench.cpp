// One draw of the mesh of about 10000 triangles on the default map in a real GL context (run it
// through scripts/with-display), with culling off and on, from the start position looking across
// the island as the program starts. The time is that of the draw call itself; the frame is
// finished outside the timing.
#include "BenchSupport.h"

#include "app/FrameLoop.h"
#include "roam/Roam.h"
#include "texturing/TexturingAlgorithm.h"

#include <GL/glew.h>
#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>

namespace {

struct Scene {
    std::unique_ptr<Camera> camera;
    std::unique_ptr<Roam> roam;
};

// Counts the vertices the mesh sends: one texture coordinate per vertex.
class CountingTexturing : public TexturingAlgorithm {
public:
    long vertices = 0;
    void texCoord(int, int, int) override { ++vertices; }
    void enable() override {}
    void disable() override {}
};

Scene& scene() {
    static Scene built = [] {
        Scene s;
        s.camera = std::make_unique<Camera>(startCamera(defaultMap()));
        std::streambuf* errors = std::cerr.rdbuf(nullptr); // the size warnings
        s.roam = std::make_unique<Roam>(*s.camera, defaultMap(), nullptr);
        std::cerr.rdbuf(errors);

        glViewport(0, 0, 900, 600);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 1.5, 0.1, 2000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        s.camera->applyView();
        s.camera->extractFrustum();
        glEnable(GL_DEPTH_TEST);
        return s;
    }();
    return built;
}

void drawMesh(benchmark::State& state) {
    Scene& s = scene();
    s.roam->cullingEnabled = state.range(0) != 0;
    CountingTexturing counting;
    s.roam->texturing = &counting;
    s.roam->draw(*s.camera);
    s.roam->texturing = nullptr;
    glFinish();
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        s.roam->draw(*s.camera);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
        glFinish();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    state.counters["triangles"] = s.roam->triangleCount;
    state.counters["vertices_sent"] = static_cast<double>(counting.vertices);
}
BENCHMARK(drawMesh)->ArgName("culling")->Arg(0)->Arg(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    openWindow(argc, argv);
    glewInit();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
