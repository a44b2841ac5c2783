#include "Pictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// The share of lit pixels in the bottom middle of the picture: the ground ahead of the camera,
// which a camera beyond the mesh's edge does not have.
double groundAhead(const Screenshot& shot) {
    long lit = 0, total = 0;
    for (int y = shot.height * 3 / 4; y < shot.height; ++y)
        for (int x = shot.width / 3; x < shot.width * 2 / 3; ++x, ++total)
            lit += pictures::luminance(shot.at(x, y)) >= 8;
    return total ? double(lit) / total : 0;
}

} // namespace

// Each run reports its map, starts over terrain, takes a window one row high as it is and draws on,
// and ends with status 0 on its key. The island by default, from the run folder and from an empty
// one: the default map, the textures and the shaders are found beside the program, or under the
// prefix it was installed to; the window stands at the screen's corner. Maps written by
// gdal_translate (tests/terrain/fixtures/make-raster-fixtures.sh), named as a user names them: one
// 1201 wide and 600 long, by a name relative to the folder the program starts in, far from its
// textures and shaders, starts over its meshed 513 x 513 corner; an SRTM tile zipped as it is
// shipped, with --fit, becomes a 2049 grid, meshed whole without a warning.
TEST(ShellEndToEnd, everyRunReportsItsMapStartsOverTerrainAndEndsOnItsKey) {
    const std::string fixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures";
    const std::string elsewhere = artifactPath("empty-working-directory");
    std::filesystem::create_directories(elsewhere);
    const std::string prefix = artifactPath("installed");
    ASSERT_EQ(runCommand({"cmake", "--install", TERRAINS_ARTIFACT_DIR "/..", "--prefix", prefix}),
              0);
    const struct {
        AppLaunch launch;
        const char *key, *picture, *report, *warning;
    } runs[] = {
        {{},
         "q",
         "shell-first-frame.png",
         "maxElevation = 4205, minElevation = 0\nwidth=1201, length=1201\n",
         "\tUsing a 1025x1025 portion of the Heightmap.\n"},
        {{{}, {}, elsewhere},
         "shift+q",
         "shell-elsewhere.png",
         "width=1201, length=1201\n",
         "\tUsing a 1025x1025 portion of the Heightmap.\n"},
        {{{}, {}, elsewhere, prefix + "/bin/terrains"},
         "q",
         "shell-installed.png",
         "width=1201, length=1201\n",
         "\tUsing a 1025x1025 portion of the Heightmap.\n"},
        {{{}, {"gdal-slope-1201x600.tif"}, fixtures},
         "q",
         "raster-1201x600.png",
         "Name of raster is gdal-slope-1201x600.tif (GeoTIFF)\nmaxElevation = 2683, minElevation = "
         "-554\nwidth=1201, length=600\n",
         "\tUsing a 513x513 portion of the Heightmap.\n"},
        {{{}, {"--fit", fixtures + "/N19W156.hgt.zip"}},
         "Escape",
         "raster-fit-2049.png",
         "width=1201, length=1201\nResampled width=1201, length=1201 to width=2049, length=2049 "
         "(bilinear) to mesh the whole map\n",
         nullptr},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.picture);
        AppRun app(run.launch);
        ASSERT_TRUE(app.waitForFirstFrame() && pictures::waitForNextFrame(app)) << app.errors();
        const Screenshot shot = app.screenshot();
        shot.savePng(artifactPath(run.picture));
        EXPECT_TRUE(shot.width == 900 && shot.height == 600);
        std::string geometry;
        runCommand({"xdotool", "getwindowgeometry", app.window()}, &geometry);
        EXPECT_NE(geometry.find("Position: 0,0 "), std::string::npos) << geometry;
        EXPECT_GT(groundAhead(shot), 0.95);
        app.xdotool({"windowsize", "--sync", app.window(), "900", "1"});
        app.xdotool({"windowsize", "--sync", app.window(), "900", "600"});
        ASSERT_TRUE(pictures::waitForNextFrame(app));
        app.key(run.key);
        EXPECT_EQ(app.waitForExit(), 0) << app.errors();
        const std::string report = app.output(), errors = app.errors();
        EXPECT_NE(report.find(run.report), std::string::npos) << report;
        EXPECT_EQ(report.find("rror"), std::string::npos) << report; // the link log included
        if (run.warning)
            EXPECT_NE(errors.find(run.warning), std::string::npos) << errors;
        else
            EXPECT_EQ(errors.find("WARNING"), std::string::npos) << errors;
        EXPECT_EQ(errors.find("OpenGL Error: "), std::string::npos) << errors;
    }
}

TEST(ShellEndToEnd, badArgumentsGiveTheUsageAndStatusTwoWithoutAWindow) {
    for (const char* argument : {"--frobnicate", "--texturing=plaid"}) {
        std::string output;
        const int status = runCommand(
            {"sh", "-c", std::string(TERRAINS_EXECUTABLE) + " " + argument + " 2>&1"}, &output);
        EXPECT_EQ(status, 2) << argument;
        EXPECT_NE(output.find("Usage: terrains [--fit] [--texturing basic|multi|shader|grid] "
                              "[--help] [FILE]\n"),
                  std::string::npos)
            << output;
    }
}
