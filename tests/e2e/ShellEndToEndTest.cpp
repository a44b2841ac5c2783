#include "Pictures.h"

#include <gtest/gtest.h>

TEST(ShellEndToEnd, escapeQuitsWithStatusZero) {
    AppRun app;
    ASSERT_TRUE(app.waitForWindow()) << app.errors();
    ASSERT_TRUE(app.waitForFrame()) << app.errors();
    ASSERT_TRUE(pictures::waitForNextFrame(app)); // frames a second apart: errors would show
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0) << app.errors();
    // Start-up read the island, printed its header report and an empty link log, and no frame
    // found a GL error.
    const std::string report = app.output();
    EXPECT_EQ(report.find("rror"), std::string::npos) << report;
    EXPECT_EQ(app.errors().find("OpenGL Error: "), std::string::npos) << app.errors();
    EXPECT_NE(app.errors().find("\tUsing a 1025x1025 portion of the Heightmap.\n"),
              std::string::npos);
    EXPECT_NE(report.find("DEM level code is 1\n"), std::string::npos) << report;
    EXPECT_NE(report.find("maxElevation = 4205, minElevation = 0\n"), std::string::npos) << report;
    EXPECT_NE(report.find("width=1201, length=1201\n"), std::string::npos) << report;
}

TEST(ShellEndToEnd, qAndShiftQQuitWithStatusZero) {
    for (const char* key : {"q", "shift+q"}) {
        AppRun app;
        ASSERT_TRUE(app.waitForWindow()) << app.errors();
        ASSERT_TRUE(app.waitForFrame()) << app.errors();
        app.key(key);
        EXPECT_EQ(app.waitForExit(), 0) << key << ": " << app.errors();
    }
}

TEST(ShellEndToEnd, windowIs900By600WithTheOverlayInTheTopLeftCorner) {
    AppRun app;
    ASSERT_TRUE(app.waitForWindow()) << app.errors();
    ASSERT_TRUE(app.waitForFrame()) << app.errors();
    const Screenshot shot = app.screenshot();
    shot.savePng(artifactPath("shell-first-frame.png"));
    EXPECT_EQ(shot.width, 900);
    EXPECT_EQ(shot.height, 600);
    EXPECT_TRUE(shot.anyNonBlack(0, 4, 130, 22)); // the frame-rate line, 18 px down
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0);
}

TEST(ShellEndToEnd, shrinkingTheWindowToOneRowKeepsItRunning) {
    AppRun app;
    ASSERT_TRUE(app.waitForWindow()) << app.errors();
    ASSERT_TRUE(app.waitForFrame()) << app.errors();
    app.xdotool({"windowsize", "--sync", app.window(), "900", "1"});
    app.xdotool({"windowsize", "--sync", app.window(), "900", "600"});
    ASSERT_TRUE(app.waitForFrame()) << app.errors();
    EXPECT_TRUE(app.running());
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0) << app.errors();
}
