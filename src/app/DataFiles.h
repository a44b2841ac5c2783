#pragma once

#include <string>

// Where the program finds its run-time files (textures, shaders, the default map) given by a
// relative path: the working directory first, then the data staged next to the executable
// (the build tree's run/ folder), then an install prefix's share/terrains. Returns the first
// path that exists, or the path as given when none does, so messages name what was asked for.
std::string dataFile(const char* relative);

// The folders searched after the working directory, in order.
std::string stagedDataDirectory();
std::string installedDataDirectory();
