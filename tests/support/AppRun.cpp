#include "AppRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point deadlineAfter(double seconds) {
    return Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
}

void pause100ms() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

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

bool parsePpm(const std::string& data, Screenshot& shot) {
    std::istringstream in(data);
    std::string magic;
    int maxValue = 0;
    in >> magic >> shot.width >> shot.height >> maxValue;
    if (magic != "P6" || maxValue != 255 || shot.width <= 0 || shot.height <= 0) return false;
    in.get();
    const size_t size = size_t(shot.width) * shot.height * 3;
    shot.rgb.resize(size);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(size));
    return static_cast<size_t>(in.gcount()) == size;
}

int decodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return -1;
}

} // namespace

int runCommand(const std::vector<std::string>& argv, std::string* output,
               const std::vector<std::string>& environment) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
        std::vector<std::string> args = argv;
        std::vector<char*> cargs = cStrings(args);
        execvp(cargs[0], cargs.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (output) *output = std::move(text);
    return decodeStatus(status);
}

std::string artifactPath(const std::string& name) {
    fs::create_directories(TERRAINS_ARTIFACT_DIR);
    return std::string(TERRAINS_ARTIFACT_DIR) + "/" + name;
}

std::string makeStagedCopy(const std::string& name) {
    const fs::path dir =
        fs::temp_directory_path() / ("terrains-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const fs::directory_entry& entry : fs::directory_iterator(TERRAINS_RUN_DIR))
        fs::create_symlink(fs::canonical(entry.path()), dir / entry.path().filename());
    return dir.string();
}

double Screenshot::meanDifference(const Screenshot& other, int x0, int y0, int x1, int y1) const {
    if (other.width != width || other.height != height || empty()) return 255;
    if (x1 < 0) x1 = width;
    if (y1 < 0) y1 = height;
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            for (int c = 0; c < 3; ++c) sum += std::abs(at(x, y)[c] - other.at(x, y)[c]);
    const double count = double(x1 - x0) * (y1 - y0) * 3;
    return count > 0 ? sum / count : 0;
}

bool Screenshot::anyNonBlack(int x0, int y0, int x1, int y1) const {
    if (empty()) return false;
    if (x1 < 0) x1 = width;
    if (y1 < 0) y1 = height;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (at(x, y)[0] || at(x, y)[1] || at(x, y)[2]) return true;
    return false;
}

bool Screenshot::savePng(const std::string& path) const {
    const std::string ppm = path + ".ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << width << " " << height << "\n255\n";
        out.write(reinterpret_cast<const char*>(rgb.data()),
                  static_cast<std::streamsize>(rgb.size()));
    }
    const int status = runCommand({"convert", ppm, path});
    fs::remove(ppm);
    return status == 0;
}

AppRun::AppRun() : AppRun(Options{}) {}

AppRun::AppRun(const Options& options) {
    char pattern[] = "/tmp/terrains-run-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    tempDir_ = pattern;
    workDir_ = options.workDir.empty() ? std::string(TERRAINS_RUN_DIR) : options.workDir;
    startXvfb();
    startProgram(options);
}

AppRun::~AppRun() {
    if (appPid_ > 0 && !exitStatus_) {
        kill(appPid_, SIGKILL);
        waitpid(appPid_, nullptr, 0);
    }
    if (xvfbPid_ > 0) {
        kill(xvfbPid_, SIGTERM);
        waitpid(xvfbPid_, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(tempDir_, ignored);
}

void AppRun::startXvfb() {
    // note: a display number of our own choosing, far from the low numbers every other X server
    // on the machine races for; a server shutting down elsewhere can otherwise unlink the socket
    // of a new one that took over its number.
    std::random_device seed;
    std::mt19937 random(seed() ^ static_cast<unsigned>(getpid()));
    for (int attempt = 0; attempt < 10 && display_.empty(); ++attempt) {
        const std::string number = std::to_string(1000 + random() % 30000);
        int pipeFds[2];
        if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
        xvfbPid_ = fork();
        if (xvfbPid_ == 0) {
            close(pipeFds[0]);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDERR_FILENO);
            dup2(devNull, STDOUT_FILENO);
            std::vector<std::string> args = {
                "Xvfb",    ":" + number, "-displayfd",   std::to_string(pipeFds[1]),
                "-screen", "0",          "1280x1024x24", "-nolisten",
                "tcp",     "-noreset"};
            std::vector<char*> cargs = cStrings(args);
            execvp("Xvfb", cargs.data());
            _exit(127);
        }
        close(pipeFds[1]);
        // The server writes its number once it accepts connections, or exits if it cannot.
        std::string reported;
        const auto deadline = deadlineAfter(30);
        pollfd fd = {pipeFds[0], POLLIN, 0};
        while (Clock::now() < deadline) {
            if (poll(&fd, 1, 100) <= 0) continue;
            char c;
            if (read(pipeFds[0], &c, 1) <= 0 || c == '\n') break;
            reported += c;
        }
        close(pipeFds[0]);
        if (reported == number &&
            runCommand({"xdotool", "getdisplaygeometry"}, nullptr, {"DISPLAY=:" + number}) == 0) {
            display_ = ":" + number;
            return;
        }
        kill(xvfbPid_, SIGTERM);
        waitpid(xvfbPid_, nullptr, 0);
        xvfbPid_ = -1;
    }
    throw std::runtime_error("could not start an Xvfb server");
}

void AppRun::startProgram(const Options& options) {
    const std::string out = tempDir_ + "/stdout", err = tempDir_ + "/stderr";
    appPid_ = fork();
    if (appPid_ == 0) {
        if (chdir(workDir_.c_str()) != 0) _exit(126);
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        setenv("DISPLAY", display_.c_str(), 1);
        unsetenv("XAUTHORITY"); // a cookie for another server; this one needs none
        // The renderer keeps its scene until exit by design, and Mesa's driver is unloaded
        // before a leak check could name it: leaks are checked in-process by the GL tests.
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        for (const std::string& entry : options.environment) putenv(strdup(entry.c_str()));
        execl(TERRAINS_EXECUTABLE, TERRAINS_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }
}

int AppRun::xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runCommand(argv, nullptr, {"DISPLAY=" + display_});
}

bool AppRun::running() {
    if (exitStatus_) return false;
    int status = 0;
    if (waitpid(appPid_, &status, WNOHANG) == appPid_) {
        exitStatus_ = decodeStatus(status);
        return false;
    }
    return true;
}

bool AppRun::waitForWindow(double seconds) {
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline && running()) {
        std::string found;
        runCommand({"xdotool", "search", "--name", "^Terrains\\.\\.\\.$"}, &found,
                   {"DISPLAY=" + display_});
        if (!found.empty()) {
            window_ = found.substr(0, found.find('\n'));
            // No window manager runs here: put the pointer over the window and give it the focus,
            // so keys typed through XTEST reach it as they would a person's.
            xdotool({"mousemove", "--window", window_, "450", "300"});
            xdotool({"windowfocus", "--sync", window_});
            return true;
        }
        pause100ms();
    }
    return false;
}

Screenshot AppRun::screenshot() {
    Screenshot shot;
    if (window_.empty()) return shot;
    std::string data;
    if (runCommand({"import", "-window", window_, "-depth", "8", "ppm:-"}, &data,
                   {"DISPLAY=" + display_}) == 0)
        parsePpm(data, shot);
    return shot;
}

bool AppRun::waitForFrame(double seconds) {
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline && running()) {
        if (screenshot().anyNonBlack(0, 0, -1, -1)) return true;
        pause100ms();
    }
    return false;
}

bool AppRun::waitForChange(const Screenshot& before, double threshold, double seconds, int x0,
                           int y0, int x1, int y1) {
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline && running()) {
        if (screenshot().meanDifference(before, x0, y0, x1, y1) > threshold) return true;
        pause100ms();
    }
    return false;
}

bool AppRun::waitForStable(double seconds, int x0, int y0, int x1, int y1, Screenshot* settled) {
    const auto deadline = deadlineAfter(seconds);
    Screenshot previous = screenshot();
    while (Clock::now() < deadline && running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Screenshot current = screenshot();
        if (current.meanDifference(previous, x0, y0, x1, y1) < 0.05) {
            if (settled) *settled = std::move(current);
            return true;
        }
        previous = std::move(current);
    }
    return false;
}

void AppRun::key(const std::string& keysym) {
    xdotool({"key", keysym});
}
void AppRun::keyDown(const std::string& keysym) {
    xdotool({"keydown", keysym});
}
void AppRun::keyUp(const std::string& keysym) {
    xdotool({"keyup", keysym});
}

void AppRun::drag(int button, int fromX, int fromY, int toX, int toY, int steps) {
    const std::string b = std::to_string(button);
    xdotool({"mousemove", "--window", window_, std::to_string(fromX), std::to_string(fromY)});
    xdotool({"mousedown", b});
    for (int i = 1; i <= steps; ++i) {
        const int x = fromX + (toX - fromX) * i / steps, y = fromY + (toY - fromY) * i / steps;
        xdotool({"mousemove", "--window", window_, std::to_string(x), std::to_string(y)});
    }
    xdotool({"mouseup", b});
}

void AppRun::unmapWindow() {
    xdotool({"windowunmap", "--sync", window_});
}
void AppRun::mapWindow() {
    xdotool({"windowmap", "--sync", window_});
}

std::optional<int> AppRun::waitForExit(double seconds) {
    const auto deadline = deadlineAfter(seconds);
    while (running()) {
        if (Clock::now() >= deadline) return std::nullopt;
        pause100ms();
    }
    return exitStatus_;
}

std::string AppRun::output() const {
    return readFile(tempDir_ + "/stdout");
}
std::string AppRun::errors() const {
    return readFile(tempDir_ + "/stderr");
}
