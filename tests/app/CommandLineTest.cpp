#include "app/Camera.h"
#include "app/CommandLine.h"
#include "roam/Roam.h"

#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Texturing = CommandLine::Texturing;

// Options, the file and GLUT's own options in any order; bad words refused with their reason.
TEST(CommandLine, parsesInAnyOrderAndRefusesBadWordsWithTheirReason) {
    const struct {
        std::vector<const char*> words;
        const char* file; // or the error
        Texturing texturing = Texturing::Default;
        std::vector<std::string> glut = {}; // given only with every flag
    } cases[] = {
        {{}, "hawaii-c"},
        {{"-display", ":3", "--texturing", "grid", "map.tif", "--fit", "-iconic", "--help"},
         "map.tif",
         Texturing::Grid,
         {"-display", ":3", "-iconic"}},
        {{"--texturing=shader"}, "hawaii-c", Texturing::Shader},
        {{"--", "-odd name"}, "-odd name"}, // a file
        {{"-"}, "-"},
        {{"--fly"}, "unknown option '--fly'"},
        {{"a.dem", "b.dem"}, "more than one FILE: 'a.dem' and 'b.dem'"},
        {{"--texturing"}, "--texturing needs a value: basic, multi, shader or grid"},
        {{"--texturing", "fancy"}, "unknown texturing 'fancy': basic, multi, shader or grid"},
        {{"-geometry"}, "-geometry needs a value"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> words = c.words;
        words.insert(words.begin(), "terrains");
        CommandLine line;
        std::string error;
        const bool ok = parseCommandLine(int(words.size()), words.data(), line, error);
        EXPECT_EQ(ok ? line.file : error, c.file);
        if (!ok) continue;
        std::vector<std::string> glut = c.glut;
        glut.insert(glut.begin(), "terrains");
        EXPECT_TRUE(line.fileGiven == (line.file != "hawaii-c") && line.fit == !c.glut.empty() &&
                    line.help == !c.glut.empty() && line.texturing == c.texturing &&
                    line.glutArguments == glut)
            << c.file;
    }
}

// The camera starts over the middle of the width, three quarters along the length; off the
// meshed corner, at the same place of the corner instead.
TEST(StartPosition, overTheMeshedCornerOfEveryShapeOfMap) {
    const struct {
        int width, length, x, z;
    } cases[] = {{1201, 1201, 600, 900}, {5, 7, 2, 3},          {1201, 600, 256, 384},
                 {600, 1201, 256, 384},  {1025, 513, 512, 384}, {300, 257, 150, 192}};
    for (const auto& c : cases) {
        const GridHeightMap map(c.width, c.length, [](int r, int c) { return float(r * 3 + c); });
        const Vector3D start = startPosition(map, Roam::meshSide(c.width, c.length));
        EXPECT_EQ(start.x, float(c.x)) << c.width << " x " << c.length;
        EXPECT_EQ(start.z, float(c.z)) << c.width << " x " << c.length;
        EXPECT_EQ(start.y, map.at(c.z, c.x) + 100.0f);
    }
}
