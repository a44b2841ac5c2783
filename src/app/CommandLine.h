#pragma once

#include <string>
#include <vector>

// What the user asked for on the command line. The defaults are the program's behaviour without
// arguments.
struct CommandLine {
    enum class Texturing { Default, Basic, Multi, Shader, Grid };

    std::string file = "hawaii-c"; // the elevation map
    bool fileGiven = false;        // false: the default map, looked up among the data files
    bool fit = false;              // resample the whole map to a meshable side, no crop
    Texturing texturing = Texturing::Default; // Default: the shaders where OpenGL 2.0 is present
    bool help = false;
    std::vector<std::string> glutArguments; // the program name and GLUT's own options, in order
};

// Parses argv. On a bad argument returns false with a one-line reason in `error`.
bool parseCommandLine(int argc, const char* const* argv, CommandLine& line, std::string& error);

extern const char* const kUsage; // printf format: the program name
