// Whole frames of the program at 900 x 600 in a real GL context (run it through
// scripts/with-display): the scene as start-up builds it, one display() per iteration, finished
// with glFinish, under each texturing algorithm. Start-up itself is timed too: a fresh child
// process per iteration opens the window, builds the scene and draws its first frame.
// The data directory is TERRAINS_DATA if set, else the repository's data/.
#include "BenchSupport.h"

#include "app/FrameLoop.h"
#include "app/Scene.h"
#include "roam/Roam.h"

#include <GL/glew.h>
#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

void enterDataDirectory() {
    const char* data = std::getenv("TERRAINS_DATA");
    if (chdir(data ? data : TERRAINS_SOURCE_DIR "/data") != 0) std::abort();
}

void openProgramWindow() {
    int argc = 1;
    char name[] = "terrains";
    char* argv[] = {name, nullptr};
    openWindow(argc, argv);
}

// The program's start-up up to its first frame, with the console output discarded.
void startAndDrawFirstFrame() {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    openProgramWindow();
    initScene();
    reshape(900, 600);
    display();
    glFinish();
}

void BM_StartUpToFirstFrame(benchmark::State& state) {
    enterDataDirectory();
    for (auto _ : state) {
        const pid_t child = fork();
        if (child == 0) {
            startAndDrawFirstFrame();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("start-up failed");
    }
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void ensureScene() {
    static bool built = false;
    if (built) return;
    enterDataDirectory();
    openProgramWindow();
    {
        Silenced silenced(true); // the start-up report and warnings
        initScene();
    }
    reshape(900, 600);
    built = true;
}

void frames(benchmark::State& state, TexturingAlgorithm** algorithm) {
    ensureScene();
    currentAlgorithm = *algorithm;
    applyTexturingAlgorithm();
    display();
    glFinish();
    for (auto _ : state) {
        display();
        glFinish();
    }
    state.counters["triangles"] = static_cast<double>(renderer->triangleCount);
}

void BM_FrameBasic(benchmark::State& state) {
    frames(state, &basicAlgorithm);
}
void BM_FrameMultitexturing(benchmark::State& state) {
    frames(state, &multitexturingAlgorithm);
}
void BM_FrameTriGrid(benchmark::State& state) {
    frames(state, &triGridAlgorithm);
}
void BM_FrameShader(benchmark::State& state) {
    frames(state, reinterpret_cast<TexturingAlgorithm**>(&shaderAlgorithm));
}
BENCHMARK(BM_FrameBasic)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameMultitexturing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameTriGrid)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameShader)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
