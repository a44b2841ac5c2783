#pragma once

#include <cstddef>
#include <string>

// Text taken from a file or the command line, made safe for a terminal: printable ASCII, tabs,
// line feeds and well-formed UTF-8 beyond U+009F pass; every other byte (terminal escapes,
// controls, broken UTF-8) is written as \xHH.
std::string printable(const char* text, std::size_t size);
inline std::string printable(const std::string& text) {
    return printable(text.data(), text.size());
}
