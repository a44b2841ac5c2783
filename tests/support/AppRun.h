#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A file's bytes; `bytes` written to `name` in the temporary folder, returning its path.
std::string readFile(const std::string& path);
std::string writeTempFile(const std::string& name, const std::string& bytes);

// Where tests keep the pictures a person should look at.
std::string artifactPath(const std::string& name);

// Runs a command for at most 30 seconds, returning its exit status (124 when it ran out of time)
// and capturing its standard output.
int runCommand(const std::vector<std::string>& argv, std::string* output = nullptr);

// A rectangle of a screenshot, in pixels from the top-left corner; the whole picture by default.
struct Region {
    int x0 = 0, y0 = 0, x1 = 1 << 16, y1 = 1 << 16;
};

// A screenshot of a window: packed RGB rows, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
    double meanDifference(const Screenshot& other, Region region = {}) const; // per channel
    void save(const std::string& name) const; // name.png among the artifacts
};

// How the renderer is started: extra environment (NAME=value), its arguments, its working
// directory and the program.
struct AppLaunch {
    std::vector<std::string> environment;
    std::vector<std::string> arguments;
    std::string directory = TERRAINS_RUN_DIR;
    std::string executable = TERRAINS_EXECUTABLE;
};

// The built renderer run as a person would: on its own Xvfb (one at a time), its window found
// with xdotool, driven by keys and drags, photographed with ImageMagick's import.
class AppRun {
public:
    explicit AppRun(const AppLaunch& launch = {});
    ~AppRun();
    AppRun(const AppRun&) = delete;
    AppRun& operator=(const AppRun&) = delete;

    // Waits for the window and for a frame with anything but black on it (the overlay at least).
    bool waitForFirstFrame();
    // Waits until the region differs from `before` by more than `threshold`.
    bool waitForChange(const Screenshot& before, double threshold, Region region = {});
    // Waits until two screenshots a little apart agree in the region: the picture settled.
    bool waitForStable(Screenshot& settled, Region region = {});
    // The exit status, -signal when killed by a signal, or nothing on time-out.
    std::optional<int> waitForExit();
    Screenshot screenshot();

    int xdotool(std::vector<std::string> arguments);
    void key(const std::string& keysym) { xdotool({"key", keysym}); }
    const std::string& window() const { return window_; }
    std::string output() const { return readFile(tempDir_ + "/stdout"); }
    std::string errors() const { return readFile(tempDir_ + "/stderr"); }

private:
    bool running();
    // Polls `done` every tenth of a second until it holds, the time is up or the program ended.
    bool waitUntil(double seconds, const std::function<bool()>& done);

    std::string window_, tempDir_;
    int xvfbPid_ = -1;
    int appPid_ = -1;
    std::optional<int> exitStatus_;
};
