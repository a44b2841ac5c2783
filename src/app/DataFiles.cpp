#include "app/DataFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace {

std::string readExecutableDirectory() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    const std::string executable(path, size_t(n));
    const size_t slash = executable.rfind('/');
    return slash == std::string::npos ? std::string() : executable.substr(0, slash);
}

// note: read once; every data file looked up at start-up asks for it twice.
const std::string& executableDirectory() {
    static const std::string directory = readExecutableDirectory();
    return directory;
}

bool exists(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

} // namespace

std::string stagedDataDirectory() {
    const std::string& directory = executableDirectory();
    return directory.empty() ? directory : directory + "/run";
}

std::string installedDataDirectory() {
    const std::string& directory = executableDirectory();
    return directory.empty() ? directory : directory + "/../share/terrains";
}

std::string dataFile(const char* relative) {
    const std::string asGiven = relative;
    if (asGiven.empty() || asGiven[0] == '/' || exists(asGiven)) return asGiven;
    for (const std::string& directory : {stagedDataDirectory(), installedDataDirectory()}) {
        if (directory.empty()) continue;
        const std::string candidate = directory + "/" + asGiven;
        if (exists(candidate)) return candidate;
    }
    return asGiven;
}
