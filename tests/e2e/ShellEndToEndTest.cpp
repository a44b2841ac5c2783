#include "Pictures.h"

#include <filesystem>
#include <string>

using namespace pictures;

// Each run reports its map, starts over terrain (lit ground ahead), takes a window one row high and
// ends with status 0 on its key: the installed program from an empty folder finds its data under
// its prefix; a raster named relative to its folder, far from the data, starts over its meshed
// corner; an SRTM tile zipped as shipped, with --fit, becomes a 2049 grid without a warning.
TEST(ShellEndToEnd, everyRunReportsItsMapStartsOverTerrainAndEndsOnItsKey) {
    const auto run = [](const AppLaunch& launch, const char* key, const std::string& picture,
                        const std::string& report, const char* warning) {
        SCOPED_TRACE(picture);
        AppRun app(launch);
        ASSERT_TRUE(app.waitForFirstFrame() && waitForNextFrame(app)) << app.errors();
        const Screenshot shot = app.screenshot();
        shot.save(picture);
        EXPECT_TRUE(shot.width == 900 && shot.height == 600);
        std::string geometry;
        runCommand({"xdotool", "getwindowgeometry", app.window()}, &geometry);
        EXPECT_NE(geometry.find("Position: 0,0 "), std::string::npos) << geometry;
        EXPECT_GT(fraction(shot, [](auto p) { return luminance(p) >= 8; }, {300, 450, 600}), 0.95);
        app.xdotool({"windowsize", "--sync", app.window(), "900", "1"});
        app.xdotool({"windowsize", "--sync", app.window(), "900", "600"});
        ASSERT_TRUE(waitForNextFrame(app));
        app.key(key);
        EXPECT_EQ(app.waitForExit(), 0) << app.errors();
        const std::string output = app.output(), errors = app.errors();
        EXPECT_NE(output.find(report), std::string::npos) << output;
        EXPECT_EQ(output.find("rror"), std::string::npos) << output; // the link log included
        EXPECT_EQ(errors.find(warning ? warning : "WARNING") != std::string::npos, bool(warning))
            << errors;
        EXPECT_EQ(errors.find("OpenGL Error: "), std::string::npos) << errors;
    };
    const std::string fixtures = TERRAINS_SOURCE_DIR "/tests/terrain/fixtures";
    const std::string empty = artifactPath("empty-folder"), prefix = artifactPath("installed");
    std::filesystem::create_directories(empty);
    ASSERT_EQ(runCommand({"cmake", "--install", TERRAINS_ARTIFACT_DIR "/..", "--prefix", prefix}),
              0);
    run({{}, {}, empty, prefix + "/bin/terrains"}, "shift+q", "shell-installed",
        "maxElevation = 4205, minElevation = 0\nwidth=1201, length=1201\n",
        "\tUsing a 1025x1025 portion of the Heightmap.\n");
    run({{}, {"gdal-slope-1201x600.tif"}, fixtures}, "q", "raster-1201x600",
        "Name of raster is gdal-slope-1201x600.tif (GeoTIFF)\nmaxElevation = 2683, minElevation = "
        "-554\nwidth=1201, length=600\n",
        "\tUsing a 513x513 portion of the Heightmap.\n");
    run({{}, {"--fit", fixtures + "/N19W156.hgt.zip"}}, "Escape", "raster-fit-2049",
        "Resampled width=1201, length=1201 to width=2049, length=2049 (bilinear) to mesh the whole "
        "map\n",
        nullptr);
}

TEST(ShellEndToEnd, badArgumentsGiveTheUsageAndStatusTwoWithoutAWindow) {
    std::string output;
    EXPECT_EQ(runCommand({"sh", "-c", TERRAINS_EXECUTABLE " --texturing=plaid 2>&1"}, &output), 2);
    EXPECT_NE(output.find("Usage: terrains [--fit] [--texturing basic|multi|shader|grid] "
                          "[--help] [FILE]\n"),
              std::string::npos)
        << output;
}
