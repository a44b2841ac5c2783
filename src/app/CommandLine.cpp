#include "app/CommandLine.h"

#include <cstring>

const char* const kUsage =
    "Usage: %s [--fit] [--texturing basic|multi|shader|grid] [--help] [FILE]\n"
    "Flies a camera over the elevation map in FILE: a USGS DEM, or any raster GDAL reads\n"
    "(GeoTIFF, SRTM .hgt, Esri ASCII grid, ...). Without FILE, the island hawaii-c.\n"
    "  --fit          resample the whole map to the smallest 2^k + 1 side covering it (at most\n"
    "                 4097) instead of meshing its largest 2^k + 1 corner; a map that is not\n"
    "                 square is stretched to the square\n"
    "  --texturing T  start with texturing T: basic (colour), multi (colour and detail),\n"
    "                 shader (the default where OpenGL 2.0 is present) or grid (the triangles)\n"
    "  --help         show this text\n"
    "X options such as -display and -geometry go to GLUT.\n";

namespace {

// GLUT's own options, left for glutInit; the first group takes a value.
const char* const kGlutOptionsWithValue[] = {"-display", "-geometry"};
const char* const kGlutFlags[] = {"-direct", "-indirect", "-iconic", "-gldebug", "-sync"};

bool parseTexturing(const std::string& name, CommandLine::Texturing& texturing) {
    static const struct {
        const char* name;
        CommandLine::Texturing texturing;
    } kNames[] = {{"basic", CommandLine::Texturing::Basic},
                  {"multi", CommandLine::Texturing::Multi},
                  {"shader", CommandLine::Texturing::Shader},
                  {"grid", CommandLine::Texturing::Grid}};
    for (const auto& entry : kNames)
        if (name == entry.name) {
            texturing = entry.texturing;
            return true;
        }
    return false;
}

} // namespace

bool parseCommandLine(int argc, const char* const* argv, CommandLine& line, std::string& error) {
    line.glutArguments.assign(1, argc > 0 && argv[0] ? argv[0] : "terrains");
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool option = !optionsEnded && word.size() > 1 && word[0] == '-';
        if (!option) {
            if (line.fileGiven) {
                error = "more than one FILE: '" + line.file + "' and '" + word + "'";
                return false;
            }
            line.file = word;
            line.fileGiven = true;
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
        } else if (word == "--help" || word == "-h") {
            line.help = true;
        } else if (word == "--fit") {
            line.fit = true;
        } else if (word == "--texturing" || word.rfind("--texturing=", 0) == 0) {
            std::string name;
            if (word.size() > std::strlen("--texturing")) {
                name = word.substr(std::strlen("--texturing="));
            } else if (i + 1 < argc) {
                name = argv[++i];
            } else {
                error = "--texturing needs a value: basic, multi, shader or grid";
                return false;
            }
            if (!parseTexturing(name, line.texturing)) {
                error = "unknown texturing '" + name + "': basic, multi, shader or grid";
                return false;
            }
        } else {
            bool glut = false;
            for (const char* flag : kGlutFlags) glut |= word == flag;
            if (glut) {
                line.glutArguments.push_back(word);
                continue;
            }
            for (const char* withValue : kGlutOptionsWithValue) glut |= word == withValue;
            if (!glut) {
                error = "unknown option '" + word + "'";
                return false;
            }
            if (i + 1 >= argc) {
                error = word + " needs a value";
                return false;
            }
            line.glutArguments.push_back(word);
            line.glutArguments.push_back(argv[++i]);
        }
    }
    return true;
}
