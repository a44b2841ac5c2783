#include "Pictures.h"

#include <gtest/gtest.h>

#include <filesystem>

// Escape ends every other end-to-end run. The second run starts in an empty folder: the default
// map, the textures and the shaders are found beside the program.
TEST(ShellEndToEnd, startUpReportsTheIslandDrawsWithoutErrorsAndQEndsIt) {
    const std::string elsewhere = artifactPath("empty-working-directory");
    std::filesystem::create_directories(elsewhere);
    for (const char* key : {"q", "shift+q"}) {
        AppLaunch launch;
        if (key[0] == 's') launch.directory = elsewhere;
        AppRun app(launch);
        ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
        const Screenshot shot = app.screenshot();
        shot.savePng(artifactPath("shell-first-frame.png"));
        EXPECT_TRUE(shot.width == 900 && shot.height == 600);
        // A window one row high is taken as it is, and drawing goes on.
        app.xdotool({"windowsize", "--sync", app.window(), "900", "1"});
        app.xdotool({"windowsize", "--sync", app.window(), "900", "600"});
        ASSERT_TRUE(pictures::waitForNextFrame(app));
        app.key(key);
        EXPECT_EQ(app.waitForExit(), 0) << key << ": " << app.errors();
        const std::string report = app.output(), errors = app.errors();
        EXPECT_NE(report.find("maxElevation = 4205, minElevation = 0\nwidth=1201, length=1201\n"),
                  std::string::npos);
        EXPECT_EQ(report.find("rror"), std::string::npos) << report; // the link log included
        EXPECT_NE(errors.find("\tUsing a 1025x1025 portion of the Heightmap.\n"),
                  std::string::npos);
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
