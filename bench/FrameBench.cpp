// Whole frames of the program at 900 x 600 in a real GL context (run it through
// scripts/with-display): the scene as start-up builds it, one display() per iteration, finished
// with glFinish, under each texturing algorithm, and under a bare peer of the shader texturing:
// the same textures on the same units, each sampled once by a minimal shader pair
// (bench/shaders/bare.*) and summed. The shaded frame is read as a ratio to that peer, measured
// frame by frame in turn. Start-up itself is timed too: a fresh child process per iteration opens
// the window, builds the scene and draws its first frame.
// The data directory is TERRAINS_DATA if set, else the repository's data/.
#include "BenchSupport.h"

#include "app/FrameLoop.h"
#include "app/Scene.h"
#include "roam/Roam.h"
#include "shader/ShaderFactory.h"
#include "texture/HeightMapTexture.h"
#include "texture/ImageFileTexture.h"
#include "texture/NormalMap.h"
#include "texturing/ShaderTexturingAlgorithm.h"

#include <GL/glew.h>
#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

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

// The scene's shader textures, bound as the shader texturing binds them, under the bare pair.
class BareShaderTexturing : public TexturingAlgorithm {
public:
    explicit BareShaderTexturing(ShaderTexturingAlgorithm& shaded) : shaded_(shaded) {
        vertex_ = shaderFactory->createVertexShader(TERRAINS_SOURCE_DIR "/bench/shaders/bare.vert");
        fragment_ =
            shaderFactory->createFragmentShader(TERRAINS_SOURCE_DIR "/bench/shaders/bare.frag");
        vertex_->compile();
        fragment_->compile();
        program_ = shaderFactory->createProgram();
        program_->attach(*vertex_);
        program_->attach(*fragment_);
        program_->link();
        for (const char* name : kShaderUniformNames) program_->addUniform(name);
    }
    void texCoord(int, int, int) override {}
    void enable() override {
        program_->use();
        glDisable(GL_BLEND);
        for (int i = 0; i < 8; ++i) {
            glActiveTextureARB(GL_TEXTURE0_ARB + i);
            glEnable(GL_TEXTURE_2D);
            unitTexture(i)->bind();
        }
        for (int i = 0; i < 8; ++i) program_->setUniform(kShaderUniformNames[i], i);
        program_->setUniform("Twidth", shaded_.Twidth);
        program_->setUniform("Tlength", shaded_.Tlength);
        program_->setUniform("texRep", shaded_.texRep);
        program_->setUniform("detailRep", shaded_.detailRep);
    }
    void disable() override { shaded_.disable(); } // releases whichever program is in use

private:
    Texture* unitTexture(int unit) const {
        if (unit < 5) return shaded_.groundTextures[unit].get();
        if (unit == 5) return shaded_.detailMap.get();
        if (unit == 6) return shaded_.normalMapTexture.get();
        return shaded_.heightTexture.get();
    }

    ShaderTexturingAlgorithm& shaded_;
    std::unique_ptr<Shader> vertex_, fragment_;
    std::unique_ptr<ShaderProgram> program_;
};

TexturingAlgorithm* bareAlgorithm() {
    static TexturingAlgorithm* bare = new BareShaderTexturing(*shaderAlgorithm);
    return bare;
}

void useAlgorithm(TexturingAlgorithm* algorithm) {
    currentAlgorithm = algorithm;
    applyTexturingAlgorithm();
}

// One finished frame. note: a function of its own, so that a profiler can count the frames of a
// benchmark alone: valgrind --tool=callgrind --toggle-collect='*drawFinishedFrame*', with
// LP_NUM_THREADS=0 so that the rasteriser works on this thread.
__attribute__((noinline)) void drawFinishedFrame() {
    display();
    glFinish();
}

void frames(benchmark::State& state, TexturingAlgorithm* algorithm) {
    useAlgorithm(algorithm);
    display(); // the rasteriser compiles the shaders' code for the first frames
    display();
    glFinish();
    for (auto _ : state) drawFinishedFrame();
    state.counters["triangles"] = static_cast<double>(renderer->triangleCount);
}

void BM_FrameBasic(benchmark::State& state) {
    ensureScene();
    frames(state, basicAlgorithm);
}
void BM_FrameMultitexturing(benchmark::State& state) {
    ensureScene();
    frames(state, multitexturingAlgorithm);
}
void BM_FrameTriGrid(benchmark::State& state) {
    ensureScene();
    frames(state, triGridAlgorithm);
}
void BM_FrameShader(benchmark::State& state) {
    ensureScene();
    frames(state, shaderAlgorithm);
}
void BM_FrameBareShader(benchmark::State& state) {
    ensureScene();
    frames(state, bareAlgorithm());
}

// One frame's wall time, and the processor time of all the process's threads (the rasteriser's
// included), which other work on a shared machine disturbs far less.
struct FrameTimes {
    double wallMs, processorMs;
};

double processorMs() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec * 1e-6;
}

FrameTimes timeOneFrame() {
    const double processorBegin = processorMs();
    const auto begin = std::chrono::steady_clock::now();
    display();
    glFinish();
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(end - begin).count(),
            processorMs() - processorBegin};
}

double median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The shaded frame and its bare peer in turn, frame by frame, so that both meet the same load on
// a shared machine; the medians and their ratios, in wall and in processor time, are the result.
void BM_FrameShaderOverBare(benchmark::State& state) {
    ensureScene();
    TexturingAlgorithm* bare = bareAlgorithm();
    std::vector<double> shadedWall, shadedProcessor, bareWall, bareProcessor;
    for (auto _ : state) {
        useAlgorithm(shaderAlgorithm);
        const FrameTimes shaded = timeOneFrame();
        useAlgorithm(bare);
        const FrameTimes peer = timeOneFrame();
        shadedWall.push_back(shaded.wallMs);
        shadedProcessor.push_back(shaded.processorMs);
        bareWall.push_back(peer.wallMs);
        bareProcessor.push_back(peer.processorMs);
    }
    state.counters["shader_ms"] = median(shadedWall);
    state.counters["bare_ms"] = median(bareWall);
    state.counters["ratio"] = median(shadedWall) / median(bareWall);
    state.counters["shader_cpu_ms"] = median(shadedProcessor);
    state.counters["bare_cpu_ms"] = median(bareProcessor);
    state.counters["cpu_ratio"] = median(shadedProcessor) / median(bareProcessor);
}
BENCHMARK(BM_FrameBasic)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameMultitexturing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameTriGrid)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameShader)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameBareShader)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameShaderOverBare)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(100);

} // namespace

BENCHMARK_MAIN();
