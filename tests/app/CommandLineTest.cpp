#include "app/Camera.h"
#include "app/CommandLine.h"
#include "roam/Roam.h"

#include "support/TestHeightMaps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texturing = CommandLine::Texturing;

struct Parsed {
    bool ok;
    CommandLine line;
    std::string error;
};

Parsed parse(std::vector<const char*> words) {
    words.insert(words.begin(), "terrains");
    Parsed parsed;
    parsed.ok = parseCommandLine(int(words.size()), words.data(), parsed.line, parsed.error);
    return parsed;
}

} // namespace

TEST(CommandLine, optionsFileAndGlutsOwnOptionsInAnyOrder) {
    const Parsed none = parse({});
    ASSERT_TRUE(none.ok);
    EXPECT_TRUE(none.line.file == "hawaii-c" && !none.line.fileGiven && !none.line.fit &&
                !none.line.help && none.line.texturing == Texturing::Default);
    EXPECT_EQ(none.line.glutArguments, std::vector<std::string>{"terrains"});

    const Parsed all =
        parse({"-display", ":3", "--texturing", "grid", "map.tif", "--fit", "-iconic", "--help"});
    ASSERT_TRUE(all.ok) << all.error;
    EXPECT_TRUE(all.line.file == "map.tif" && all.line.fileGiven && all.line.fit && all.line.help);
    EXPECT_EQ(all.line.texturing, Texturing::Grid);
    EXPECT_EQ(all.line.glutArguments,
              (std::vector<std::string>{"terrains", "-display", ":3", "-iconic"}));

    EXPECT_EQ(parse({"--texturing=shader"}).line.texturing, Texturing::Shader);
    // After "--" a name that starts with a dash is a file.
    EXPECT_EQ(parse({"--", "-odd name"}).line.file, "-odd name");
    EXPECT_EQ(parse({"-"}).line.file, "-");
}

TEST(CommandLine, badArgumentsAreRefusedWithTheirReason) {
    const struct {
        std::vector<const char*> words;
        const char* error;
    } cases[] = {
        {{"--fly"}, "unknown option '--fly'"},
        {{"a.dem", "b.dem"}, "more than one FILE: 'a.dem' and 'b.dem'"},
        {{"--texturing"}, "--texturing needs a value: basic, multi, shader or grid"},
        {{"--texturing", "fancy"}, "unknown texturing 'fancy': basic, multi, shader or grid"},
        {{"-geometry"}, "-geometry needs a value"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = parse(c.words);
        EXPECT_FALSE(parsed.ok) << c.error;
        EXPECT_EQ(parsed.error, c.error);
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
