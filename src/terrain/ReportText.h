#pragma once

#include <string>

// The readers' reports and messages, printf-style. note: a line is cut at 4 KiB; a file's name,
// escaped, fits many times over.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A real elevation as the reports print it: its integer part, clamped to int; 0 for NaN.
int truncateToInt(double value);
