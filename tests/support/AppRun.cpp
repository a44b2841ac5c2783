#include "AppRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<char*> cStrings(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int decodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
}

} // namespace

int runCommand(const std::vector<std::string>& argv, std::string* output,
               const std::vector<std::string>& environment) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
        std::vector<std::string> args = argv;
        execvp(args[0].c_str(), cStrings(args).data());
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (output) *output = std::move(text);
    return decodeStatus(status);
}

std::string artifactPath(const std::string& name) {
    fs::create_directories(TERRAINS_ARTIFACT_DIR);
    return std::string(TERRAINS_ARTIFACT_DIR) + "/" + name;
}

double Screenshot::meanDifference(const Screenshot& other, Region r) const {
    if (other.width != width || other.height != height || rgb.empty()) return 255;
    r = {r.x0, r.y0, std::min(r.x1, width), std::min(r.y1, height)};
    double sum = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int i = r.x0 * 3; i < r.x1 * 3; ++i)
            sum += std::abs(rgb[size_t(y) * width * 3 + i] - other.rgb[size_t(y) * width * 3 + i]);
    const double count = double(r.x1 - r.x0) * (r.y1 - r.y0) * 3;
    return count > 0 ? sum / count : 0;
}

bool Screenshot::anyNonBlack(Region r) const {
    for (int y = r.y0; y < std::min(r.y1, height); ++y)
        for (int x = r.x0; x < std::min(r.x1, width); ++x)
            if (at(x, y)[0] || at(x, y)[1] || at(x, y)[2]) return true;
    return false;
}

bool Screenshot::savePng(const std::string& path) const {
    const std::string ppm = path + ".ppm";
    std::ofstream(ppm, std::ios::binary) << "P6\n"
                                         << width << " " << height << "\n255\n"
                                         << std::string(rgb.begin(), rgb.end());
    const int status = runCommand({"convert", ppm, path});
    fs::remove(ppm);
    return status == 0;
}

AppRun::AppRun(const std::vector<std::string>& environment) {
    char pattern[] = "/tmp/terrains-run-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    tempDir_ = pattern;

    // note: a display number of our own, far from the low numbers other X servers race for, and
    // -noreset: a server resets when its last client leaves, refusing the next one meanwhile.
    std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(getpid()));
    for (int attempt = 0; attempt < 10 && display_.empty(); ++attempt) {
        const std::string number = std::to_string(1000 + random() % 30000);
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
        xvfbPid_ = fork();
        if (xvfbPid_ == 0) {
            close(fds[0]);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            std::vector<std::string> args = {
                "Xvfb",    ":" + number, "-displayfd",   std::to_string(fds[1]),
                "-screen", "0",          "1280x1024x24", "-nolisten",
                "tcp",     "-noreset"};
            execvp("Xvfb", cStrings(args).data());
            _exit(127);
        }
        close(fds[1]);
        // The server writes its number once it accepts connections, or exits if it cannot.
        std::string reported;
        pollfd fd = {fds[0], POLLIN, 0};
        for (char c; poll(&fd, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n';)
            reported += c;
        close(fds[0]);
        if (reported == number &&
            runCommand({"xdotool", "getdisplaygeometry"}, nullptr, {"DISPLAY=:" + number}) == 0) {
            display_ = ":" + number;
            break;
        }
        kill(xvfbPid_, SIGTERM);
        waitpid(xvfbPid_, nullptr, 0);
        xvfbPid_ = -1;
    }
    if (display_.empty()) throw std::runtime_error("could not start an Xvfb server");

    const std::string out = tempDir_ + "/stdout", err = tempDir_ + "/stderr";
    appPid_ = fork();
    if (appPid_ == 0) {
        if (chdir(TERRAINS_RUN_DIR) != 0) _exit(126);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        setenv("DISPLAY", display_.c_str(), 1);
        unsetenv("XAUTHORITY"); // a cookie for another server; this one needs none
        // The renderer keeps its scene until exit by design, and Mesa's driver is unloaded
        // before a leak check could name it: leaks are checked in-process by the GL tests.
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
        execl(TERRAINS_EXECUTABLE, TERRAINS_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }
}

AppRun::~AppRun() {
    if (appPid_ > 0 && !exitStatus_) {
        kill(appPid_, SIGKILL);
        waitpid(appPid_, nullptr, 0);
    }
    kill(xvfbPid_, SIGTERM);
    waitpid(xvfbPid_, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(tempDir_, ignored);
}

int AppRun::xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runCommand(argv, nullptr, {"DISPLAY=" + display_});
}

bool AppRun::running() {
    int status = 0;
    if (!exitStatus_ && waitpid(appPid_, &status, WNOHANG) == appPid_)
        exitStatus_ = decodeStatus(status);
    return !exitStatus_;
}

bool AppRun::waitUntil(double seconds, const std::function<bool()>& done) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    while (Clock::now() < deadline && running()) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool AppRun::waitForFirstFrame(double seconds) {
    const bool found = waitUntil(seconds, [&] {
        std::string ids;
        runCommand({"xdotool", "search", "--name", "^Terrains\\.\\.\\.$"}, &ids,
                   {"DISPLAY=" + display_});
        window_ = ids.substr(0, ids.find('\n'));
        return !window_.empty();
    });
    if (!found) return false;
    // No window manager runs here: put the pointer over the window and give it the focus, so
    // keys typed through XTEST reach it as they would a person's.
    xdotool({"mousemove", "--window", window_, "450", "300"});
    xdotool({"windowfocus", "--sync", window_});
    return waitUntil(seconds, [&] { return screenshot().anyNonBlack(); });
}

Screenshot AppRun::screenshot() {
    Screenshot shot;
    std::string data;
    if (runCommand({"import", "-window", window_, "-depth", "8", "ppm:-"}, &data,
                   {"DISPLAY=" + display_}) != 0)
        return shot;
    std::istringstream in(data);
    std::string magic;
    int maxValue = 0;
    in >> magic >> shot.width >> shot.height >> maxValue;
    in.get();
    shot.rgb.resize(size_t(std::max(shot.width, 0)) * std::max(shot.height, 0) * 3);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), std::streamsize(shot.rgb.size()));
    if (magic != "P6" || maxValue != 255 || size_t(in.gcount()) != shot.rgb.size()) shot = {};
    return shot;
}

bool AppRun::waitForChange(const Screenshot& before, double threshold, Region region,
                           double seconds) {
    return waitUntil(seconds,
                     [&] { return screenshot().meanDifference(before, region) > threshold; });
}

bool AppRun::waitForStable(Screenshot& settled, Region region, double seconds) {
    Screenshot previous = screenshot();
    return waitUntil(seconds, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        settled = screenshot();
        const bool same = settled.meanDifference(previous, region) < 0.05;
        previous = settled;
        return same;
    });
}

void AppRun::drag(int fromX, int fromY, int toX, int toY) {
    xdotool({"mousemove", "--window", window_, std::to_string(fromX), std::to_string(fromY)});
    xdotool({"mousedown", "1"});
    for (int i = 1; i <= 8; ++i)
        xdotool({"mousemove", "--window", window_, std::to_string(fromX + (toX - fromX) * i / 8),
                 std::to_string(fromY + (toY - fromY) * i / 8)});
    xdotool({"mouseup", "1"});
}

std::optional<int> AppRun::waitForExit(double seconds) {
    waitUntil(seconds, [] { return false; });
    if (running()) return std::nullopt;
    return exitStatus_;
}

std::string AppRun::output() const {
    return readFile(tempDir_ + "/stdout");
}
std::string AppRun::errors() const {
    return readFile(tempDir_ + "/stderr");
}
