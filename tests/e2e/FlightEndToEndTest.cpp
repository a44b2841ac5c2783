#include "Pictures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace pictures;

namespace {

// The program flown by hand under the basic texturing, whose picture holds still when the camera
// does (the shaders' water never does).
class FlightEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.waitForWindow()) << app.errors();
        ASSERT_TRUE(app.waitForFrame()) << app.errors();
        app.key("1");
        ASSERT_TRUE(app.waitForStable(60, 0, kBelowOverlay, -1, -1, &still)) << app.errors();
    }
    void TearDown() override {
        app.key("Escape");
        EXPECT_EQ(app.waitForExit(), 0) << app.errors();
    }

    // Holds a key until the picture moves, releases it, and waits until the picture settles.
    void expectMovesWhileHeld(const std::string& key) {
        app.keyDown(key);
        const bool moved = app.waitForChange(still, 1.0, 30, 0, kBelowOverlay);
        app.keyUp(key);
        EXPECT_TRUE(moved) << key << " did not move the picture";
        Screenshot after;
        EXPECT_TRUE(app.waitForStable(60, 0, kBelowOverlay, -1, -1, &after))
            << "the picture kept moving after " << key << " was released";
        after.savePng(artifactPath("flight-after-" + key + ".png"));
    }

    AppRun app;
    Screenshot still;
};

} // namespace

TEST_F(FlightEndToEnd, holdingWFliesForwardAndReleasingStops) {
    expectMovesWhileHeld("w");
}

TEST_F(FlightEndToEnd, holdingAnArrowTurnsAndReleasingStops) {
    expectMovesWhileHeld("Left");
}

TEST_F(FlightEndToEnd, holdingDownTiltsAndReleasingStops) {
    expectMovesWhileHeld("Down");
}

TEST_F(FlightEndToEnd, draggingTheMouseTurnsTheView) {
    app.drag(1, 450, 300, 350, 340);
    EXPECT_TRUE(app.waitForChange(still, 1.0, 30, 0, kBelowOverlay)) << "the drag did not turn";
    Screenshot after;
    EXPECT_TRUE(app.waitForStable(60, 0, kBelowOverlay, -1, -1, &after));
    after.savePng(artifactPath("flight-after-drag.png"));
}

TEST_F(FlightEndToEnd, hidingTheWindowPausesTheFlightAndShowingItResumes) {
    // Flying backward from the start, the camera meets the map's southern edge after about 150
    // steps. Were the idle work not paused while the window is hidden, it would run unthrottled
    // (nothing is drawn) and reach the edge long before the window returns.
    app.keyDown("s");
    ASSERT_TRUE(app.waitForChange(still, 1.0, 30, 0, kBelowOverlay));
    app.unmapWindow();
    std::this_thread::sleep_for(std::chrono::seconds(3)); // the stimulus: hidden, S held
    app.mapWindow();
    ASSERT_TRUE(app.waitForFrame());
    const Screenshot shown = app.screenshot();
    const bool resumed = app.waitForChange(shown, 1.0, 30, 0, kBelowOverlay);
    app.keyUp("s");
    EXPECT_TRUE(resumed) << "the flight did not go on after the window came back";
}
