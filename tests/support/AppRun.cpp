#include "AppRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

std::string quoted(const std::string& word) {
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

pid_t spawn(const std::vector<std::string>& command, const std::string& directory,
            const std::string& out, const std::string& err) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(directory.c_str()) != 0) _exit(126);
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

} // namespace

int runCommand(const std::vector<std::string>& argv, std::string* output) {
    // import waits for a click for ever when its window has gone: every tool gets a deadline.
    std::string line = "timeout -k 5 30 ";
    for (const std::string& word : argv) line += quoted(word) + " ";
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    const int status = pclose(pipe);
    if (output) *output = std::move(text);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::string writeTempFile(const std::string& name, const std::string& bytes) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string artifactPath(const std::string& name) {
    std::filesystem::create_directories(TERRAINS_ARTIFACT_DIR);
    return std::string(TERRAINS_ARTIFACT_DIR) + "/" + name;
}

double Screenshot::meanDifference(const Screenshot& other, Region r) const {
    if (other.width != width || other.height != height || rgb.empty()) return 255;
    r = {r.x0, r.y0, std::min(r.x1, width), std::min(r.y1, height)};
    double sum = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int i = r.x0 * 3; i < r.x1 * 3; ++i)
            sum += std::abs(rgb[size_t(y) * width * 3 + i] - other.rgb[size_t(y) * width * 3 + i]);
    return r.x1 > r.x0 && r.y1 > r.y0 ? sum / (double(r.x1 - r.x0) * (r.y1 - r.y0) * 3) : 0;
}

void Screenshot::save(const std::string& name) const {
    const std::string path = artifactPath(name);
    std::ofstream(path + ".ppm", std::ios::binary) << "P6\n"
                                                   << width << " " << height << "\n255\n"
                                                   << std::string(rgb.begin(), rgb.end());
    runCommand({"convert", path + ".ppm", path + ".png"});
    std::filesystem::remove(path + ".ppm");
}

AppRun::AppRun(const AppLaunch& launch) {
    char pattern[] = "/tmp/terrains-run-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    tempDir_ = pattern;
    // Xvfb writes the free display it picked once it accepts clients; -noreset keeps it from
    // refusing clients while it resets after the last one left.
    int ready[2];
    if (pipe(ready) != 0) throw std::runtime_error("pipe failed");
    xvfbPid_ = spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0",
                      "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                     "/", "/dev/null", "/dev/null");
    close(ready[1]);
    std::string number;
    pollfd waiting = {ready[0], POLLIN, 0};
    for (char c; poll(&waiting, 1, 30000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n';)
        number += c;
    close(ready[0]);
    if (number.empty()) throw std::runtime_error("could not start an Xvfb server");
    setenv("DISPLAY", (":" + number).c_str(), 1);
    unsetenv("XAUTHORITY"); // a cookie for another server; this one needs none

    std::vector<std::string> command = {"env", "ASAN_OPTIONS=detect_leaks=0"};
    // note: the scene lives until exit and Mesa is unloaded before a leak check could name it;
    // the GL tests check leaks in-process.
    command.insert(command.end(), launch.environment.begin(), launch.environment.end());
    command.push_back(launch.executable);
    command.insert(command.end(), launch.arguments.begin(), launch.arguments.end());
    appPid_ = spawn(command, launch.directory, tempDir_ + "/stdout", tempDir_ + "/stderr");
}

AppRun::~AppRun() {
    if (appPid_ > 0 && running()) kill(appPid_, SIGKILL), waitpid(appPid_, nullptr, 0);
    if (xvfbPid_ > 0) kill(xvfbPid_, SIGTERM), waitpid(xvfbPid_, nullptr, 0);
    std::error_code ignored;
    std::filesystem::remove_all(tempDir_, ignored);
}

int AppRun::xdotool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "xdotool");
    return runCommand(arguments);
}

bool AppRun::running() {
    int status = 0;
    if (appPid_ > 0 && !exitStatus_ && waitpid(appPid_, &status, WNOHANG) == appPid_)
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return !exitStatus_;
}

bool AppRun::waitUntil(double seconds, const std::function<bool()>& done) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    while (std::chrono::steady_clock::now() < deadline && running()) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool AppRun::waitForFirstFrame() {
    if (!waitUntil(60, [&] {
            std::string ids;
            runCommand({"xdotool", "search", "--name", "^Terrains\\.\\.\\.$"}, &ids);
            window_ = ids.substr(0, ids.find('\n'));
            return !window_.empty();
        }))
        return false;
    // No window manager: the pointer over the window and the focus let XTEST keys reach it.
    xdotool({"mousemove", "--window", window_, "450", "300", "windowfocus", "--sync", window_});
    return waitUntil(60, [&] {
        const std::vector<unsigned char> rgb = screenshot().rgb;
        return std::any_of(rgb.begin(), rgb.end(), [](unsigned char v) { return v != 0; });
    });
}

Screenshot AppRun::screenshot() {
    Screenshot shot;
    std::string data;
    runCommand({"import", "-window", window_, "-depth", "8", "ppm:-"}, &data);
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

bool AppRun::waitForChange(const Screenshot& before, double threshold, Region region) {
    return waitUntil(30, [&] { return screenshot().meanDifference(before, region) > threshold; });
}

bool AppRun::waitForStable(Screenshot& settled, Region region) {
    Screenshot previous = screenshot();
    return waitUntil(60, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        settled = screenshot();
        std::swap(settled, previous);
        return previous.meanDifference(settled, region) < 0.05;
    });
}

std::optional<int> AppRun::waitForExit() {
    waitUntil(30, [] { return false; });
    return exitStatus_;
}
