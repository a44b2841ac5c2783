#include "terrain/ReportText.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

void appendv(std::string& out, const char* format, va_list arguments) {
    char line[4096];
    const int n = std::vsnprintf(line, sizeof line, format, arguments);
    if (n > 0) out.append(line, size_t(n) < sizeof line ? size_t(n) : sizeof line - 1);
}

} // namespace

std::string formatted(const char* format, ...) {
    std::string out;
    va_list arguments;
    va_start(arguments, format);
    appendv(out, format, arguments);
    va_end(arguments);
    return out;
}

void appendf(std::string& out, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    appendv(out, format, arguments);
    va_end(arguments);
}

int truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT_MAX;
    if (value <= -2147483648.0) return INT_MIN;
    return int(value);
}
