// The real program from launch to its first frame on screen (run it through
// scripts/with-display): each iteration starts the built executable on the default map, in its
// staged run folder, finds its window through the X server and reads back the overlay's corner
// until anything but black shows. TERRAINS_PEER names another build's executable (an earlier
// commit's, say) to time alongside, in turn.
// note: Xlib reads a 120 x 90 corner in well under a millisecond, so the figure is the program's
// own time; a screenshot tool polled instead adds its start-up and competes for the CPU.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int ignoreXErrors(Display*, XErrorEvent*) {
    return 0; // the window may vanish or be unmapped between two requests
}

Window findWindow(Display* display, Window parent, const char* title) {
    Window root, ancestor, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &ancestor, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::strcmp(name, title) == 0) found = children[i];
            XFree(name);
        }
        if (!found) found = findWindow(display, children[i], title);
    }
    if (children) XFree(children);
    return found;
}

bool showsAnything(Display* display, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, 120, 90, AllPlanes, ZPixmap);
    if (!image) return false;
    bool any = false;
    for (int y = 0; y < image->height && !any; ++y)
        for (int x = 0; x < image->width && !any; ++x) any = XGetPixel(image, x, y) != 0;
    XDestroyImage(image);
    return any;
}

pid_t launch(const std::string& program) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    const std::string folder = program.substr(0, program.rfind('/')) + "/run";
    if (chdir(folder.c_str()) != 0) _exit(126);
    execl(program.c_str(), "terrains", static_cast<char*>(nullptr));
    _exit(127);
}

void launchToFirstFrame(benchmark::State& state, const std::string& executable) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        state.SkipWithError("no X display: run through scripts/with-display");
        return;
    }
    XSetErrorHandler(ignoreXErrors);
    for (auto _ : state) {
        const auto start = Clock::now();
        const pid_t program = launch(executable);
        Window window = 0;
        bool shown = false;
        while (!shown && Clock::now() - start < std::chrono::seconds(60)) {
            if (waitpid(program, nullptr, WNOHANG) == program) break;
            if (!window) window = findWindow(display, DefaultRootWindow(display), "Terrains...");
            shown = window && showsAnything(display, window);
            if (!shown) std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
        if (!shown) {
            state.SkipWithError("the program showed no frame");
            break;
        }
        state.SetIterationTime(seconds);
    }
    XCloseDisplay(display);
}
void registerLaunch(const char* name, const std::string& executable) {
    benchmark::RegisterBenchmark(name, launchToFirstFrame, executable)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(5)
        ->ComputeStatistics("min", [](const std::vector<double>& v) {
            return *std::min_element(v.begin(), v.end());
        });
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerLaunch("BM_LaunchToFirstFrame", TERRAINS_EXECUTABLE);
    if (const char* peer = std::getenv("TERRAINS_PEER"))
        registerLaunch("BM_PeerLaunchToFirstFrame", peer);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
