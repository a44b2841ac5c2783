#pragma once

#include <optional>
#include <string>
#include <vector>

// A screenshot of a window: packed RGB rows, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    bool empty() const { return rgb.empty(); }
    const unsigned char* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
    // Mean of |difference| over all channels of the region, 0 to 255.
    double meanDifference(const Screenshot& other, int x0, int y0, int x1, int y1) const;
    bool anyNonBlack(int x0, int y0, int x1, int y1) const;
    bool savePng(const std::string& path) const;
};

// The built renderer run as a person would: on its own Xvfb, in a staged working directory, its
// window found with xdotool, driven by keys and drags, photographed with ImageMagick's import.
class AppRun {
public:
    struct Options {
        std::string workDir;                  // defaults to the staged run directory
        std::vector<std::string> environment; // extra NAME=value entries
    };

    AppRun();
    explicit AppRun(const Options& options);
    ~AppRun();
    AppRun(const AppRun&) = delete;
    AppRun& operator=(const AppRun&) = delete;

    bool waitForWindow(double seconds = 60);
    // Waits until the window shows anything but black (the overlay's text at the least).
    bool waitForFrame(double seconds = 60);
    // Waits until the picture differs from `before` in the region by more than `threshold`.
    bool waitForChange(const Screenshot& before, double threshold, double seconds = 30, int x0 = 0,
                       int y0 = 0, int x1 = -1, int y1 = -1);
    // Waits until two screenshots a short while apart agree in the region (the picture settled).
    bool waitForStable(double seconds = 60, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1,
                       Screenshot* settled = nullptr);
    Screenshot screenshot();

    void key(const std::string& keysym);
    void keyDown(const std::string& keysym);
    void keyUp(const std::string& keysym);
    void drag(int button, int fromX, int fromY, int toX, int toY, int steps = 8);
    void unmapWindow();
    void mapWindow();
    // Runs xdotool on this run's display; returns its exit status.
    int xdotool(const std::vector<std::string>& arguments);

    bool running();
    // The exit status, -signal when killed by a signal, or nothing on time-out.
    std::optional<int> waitForExit(double seconds = 30);
    std::string output() const; // standard output so far
    std::string errors() const; // standard error so far

    const std::string& display() const { return display_; }
    const std::string& window() const { return window_; }
    const std::string& workDir() const { return workDir_; }

private:
    void startXvfb();
    void startProgram(const Options& options);

    std::string display_;
    std::string window_;
    std::string workDir_;
    std::string tempDir_;
    int xvfbPid_ = -1;
    int appPid_ = -1;
    std::optional<int> exitStatus_;
};

// Runs a command, returning its exit status and capturing its standard output.
int runCommand(const std::vector<std::string>& argv, std::string* output = nullptr,
               const std::vector<std::string>& environment = {});

// Where tests keep the screenshots a person should look at.
std::string artifactPath(const std::string& name);

// Makes a fresh directory holding links to every entry of the staged run directory, so a test
// can remove or replace single files.
std::string makeStagedCopy(const std::string& name);
