#include "Pictures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace pictures;

// Flown under the basic texturing, whose picture holds still when the camera does.
TEST(FlightEndToEnd, keysAndDragsFlyCullingChangesNothingAndHidingTheWindowPausesIt) {
    AppRun app;
    ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
    app.key("1");
    Screenshot still;
    ASSERT_TRUE(app.waitForStable(still, kTerrain));

    // Culling leaves the picture and the mesh's counters as they were.
    app.key("c");
    ASSERT_TRUE(waitForNextFrame(app));
    const Screenshot culled = app.screenshot();
    EXPECT_EQ(culled.meanDifference(still, kTerrain), 0.0);
    EXPECT_EQ(culled.meanDifference(still, {0, 20, 260, 33}), 0.0); // the triangles' line

    for (const char* key : {"w", "Left", "Down"}) {
        app.keyDown(key);
        EXPECT_TRUE(app.waitForChange(still, 1.0, kTerrain)) << key << " did not move";
        app.keyUp(key);
        EXPECT_TRUE(app.waitForStable(still, kTerrain)) << key << " kept moving";
    }
    app.xdotool({"mousedown", "1", "mousemove", "--window", app.window(), "400", "320", "mousemove",
                 "--window", app.window(), "350", "340", "mouseup", "1"});
    EXPECT_TRUE(app.waitForChange(still, 1.0, kTerrain)) << "the drag did not turn";
    ASSERT_TRUE(app.waitForStable(still, kTerrain));
    still.savePng(artifactPath("flight-after-keys-and-drag.png"));

    // Backward the camera meets the map's edge within about 150 steps. Were idle not paused while
    // the window is hidden, it would run unthrottled (nothing is drawn) and reach the edge long
    // before the window is back, and the picture would then stand still. The key goes down just
    // before the window hides, so that few of those steps are spent while it is shown.
    app.keyDown("s");
    app.xdotool({"windowunmap", "--sync", app.window()});
    std::this_thread::sleep_for(std::chrono::seconds(3)); // the stimulus: hidden with S held
    app.xdotool({"windowmap", "--sync", app.window()});
    ASSERT_TRUE(waitForNextFrame(app));
    EXPECT_TRUE(app.waitForChange(app.screenshot(), 1.0, kTerrain)) << "did not resume";
    app.keyUp("s");
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0);
}
