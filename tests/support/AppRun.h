#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

std::string readFile(const std::string& path);
std::string writeTempFile(const std::string& name, const std::string& bytes);

std::string artifactPath(const std::string& name);

// Runs a command for at most 30 seconds (status 124 past that), capturing its standard output.
int runCommand(const std::vector<std::string>& argv, std::string* output = nullptr);

// Pixels from the top-left corner; the whole picture by default.
struct Region {
    int x0 = 0, y0 = 0, x1 = 1 << 16, y1 = 1 << 16;
};

// Packed RGB rows, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
    double meanDifference(const Screenshot& other, Region region = {}) const; // per channel
    void save(const std::string& name) const; // name.png among the artifacts
};

// How the renderer is started: extra environment (NAME=value), arguments, folder, program.
struct AppLaunch {
    std::vector<std::string> environment;
    std::vector<std::string> arguments;
    std::string directory = TERRAINS_RUN_DIR;
    std::string executable = TERRAINS_EXECUTABLE;
};

// The renderer on its own Xvfb, driven with xdotool and photographed with ImageMagick's import.
class AppRun {
public:
    explicit AppRun(const AppLaunch& launch = {});
    ~AppRun();
    AppRun(const AppRun&) = delete;
    AppRun& operator=(const AppRun&) = delete;

    // Waits for the window and a frame with anything but black on it (the overlay at least).
    bool waitForFirstFrame();
    bool waitForChange(const Screenshot& before, double threshold, Region region = {});
    // Waits until two screenshots a little apart agree in the region.
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
    bool waitUntil(double seconds, const std::function<bool()>& done);

    std::string window_, tempDir_;
    int xvfbPid_ = -1;
    int appPid_ = -1;
    std::optional<int> exitStatus_;
};
