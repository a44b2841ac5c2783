#include "support/AppRun.h"

#include <gtest/gtest.h>

namespace {

// The overlay's lines, by the baseline of each (pixels from the top): text stands from about
// 10 pixels above its baseline to 2 below.
struct Line {
    int baseline;
    int top() const { return baseline - 10; }
    int bottom() const { return baseline + 3; }
};
const Line kTriangles{30}, kDiamonds{42}, kUpdates{54}, kLastSplit{66}, kLastMerge{78};
const int kTextRight = 260;
const int kBelowOverlay = 90; // everything lower is the terrain

enum class Hue { None, Red, Green, Blue };

// The colour of the two priority lines: red while splits lead, green when equal, blue after.
Hue priorityHue(const Screenshot& shot) {
    int red = 0, green = 0, blue = 0;
    for (int y = kLastSplit.top(); y < kLastMerge.bottom(); ++y)
        for (int x = 0; x < kTextRight; ++x) {
            const unsigned char* p = shot.at(x, y);
            if (p[0] > 100 && p[1] < 60 && p[2] < 60) ++red;
            if (p[1] > 100 && p[0] < 60 && p[2] < 60) ++green;
            if (p[2] > 100 && p[0] < 60 && p[1] < 60) ++blue;
        }
    if (red > green && red > blue && red > 20) return Hue::Red;
    if (green > blue && green > 20) return Hue::Green;
    if (blue > 20) return Hue::Blue;
    return Hue::None;
}

bool lineChanged(const Screenshot& before, const Screenshot& after, Line line) {
    return after.meanDifference(before, 0, line.top(), kTextRight, line.bottom()) > 0.5;
}

class RoamEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.waitForWindow()) << app.errors();
        ASSERT_TRUE(app.waitForFrame()) << app.errors();
    }
    void TearDown() override {
        app.key("Escape");
        EXPECT_EQ(app.waitForExit(), 0) << app.errors();
    }

    // Waits until the optimisation has settled: the priority lines are no longer red.
    Screenshot settled(double seconds = 60) {
        Screenshot shot = app.screenshot();
        for (int i = 0; i < seconds * 10 && priorityHue(shot) == Hue::Red; ++i)
            shot = app.screenshot();
        EXPECT_NE(priorityHue(shot), Hue::Red) << "the mesh did not settle";
        return shot;
    }

    // Holds a key until `line` of the overlay shows a change, or gives up after a while.
    bool holdUntilChanged(const std::string& key, Line line) {
        const Screenshot before = app.screenshot();
        app.keyDown(key);
        const bool changed =
            app.waitForChange(before, 0.5, 30, 0, line.top(), kTextRight, line.bottom());
        app.keyUp(key);
        return changed;
    }

    AppRun app;
};

} // namespace

TEST_F(RoamEndToEnd, theOverlayShowsTheMeshCountersSettledAtStart) {
    const Screenshot shot = settled();
    shot.savePng(artifactPath("roam-overlay.png"));
    for (const Line line : {kTriangles, kDiamonds, kUpdates, kLastSplit, kLastMerge})
        EXPECT_TRUE(shot.anyNonBlack(0, line.top(), kTextRight, line.bottom()))
            << "no text at baseline " << line.baseline;
    EXPECT_TRUE(shot.anyNonBlack(0, kBelowOverlay, shot.width, shot.height)) << "no terrain";
}

TEST_F(RoamEndToEnd, homeAndEndChangeTheTriangleCount) {
    settled();
    ASSERT_TRUE(holdUntilChanged("Home", kTriangles)) << "Home left the count alone";
    const Screenshot raised = settled();
    ASSERT_TRUE(holdUntilChanged("End", kTriangles)) << "End left the count alone";
    const Screenshot lowered = settled();
    // note: the diamonds may come back to where they were, so only the count is compared.
    EXPECT_TRUE(lineChanged(raised, lowered, kTriangles));
}

TEST_F(RoamEndToEnd, pageUpAndPageDownChangeTheStepsPerFrame) {
    const Screenshot start = settled();
    ASSERT_TRUE(holdUntilChanged("Prior", kUpdates)) << "Page Up left the budget alone";
    const Screenshot raised = app.screenshot();
    ASSERT_TRUE(holdUntilChanged("Next", kUpdates)) << "Page Down left the budget alone";
    // The budget changes nothing else: the mesh stays as it was.
    EXPECT_FALSE(lineChanged(start, raised, kTriangles));
}

TEST_F(RoamEndToEnd, flyingChangesTheMeshAndItsPriorities) {
    const Screenshot before = settled();
    app.keyDown("w");
    const bool counters =
        app.waitForChange(before, 0.5, 30, 0, kDiamonds.top(), kTextRight, kLastMerge.bottom());
    const bool terrain = app.waitForChange(before, 0.5, 30, 0, kBelowOverlay);
    const Screenshot flying = app.screenshot();
    app.keyUp("w");
    ASSERT_TRUE(counters) << "flying left the counters alone";
    EXPECT_TRUE(terrain) << "the terrain did not move";
    EXPECT_TRUE(lineChanged(before, flying, kLastSplit) || lineChanged(before, flying, kLastMerge));
}

TEST_F(RoamEndToEnd, cullingLeavesThePictureAsItWas) {
    // The shaders' water moves from frame to frame; the basic texturing holds still.
    const Screenshot shaded = settled();
    app.key("1");
    ASSERT_TRUE(app.waitForChange(shaded, 0.5, 30, 0, kBelowOverlay));
    // A frame drawn after a key was handled: wait for the frame rate (once a second) to change.
    const auto nextFrames = [&] {
        const Screenshot before = app.screenshot();
        EXPECT_TRUE(app.waitForChange(before, 0.5, 30, 0, 8, kTextRight, 22));
        return app.screenshot();
    };
    const Screenshot off = nextFrames();
    app.key("c");
    const Screenshot on = nextFrames();
    app.key("c");
    const Screenshot offAgain = nextFrames();
    off.savePng(artifactPath("roam-culling-off.png"));
    on.savePng(artifactPath("roam-culling-on.png"));
    EXPECT_EQ(on.meanDifference(off, 0, kBelowOverlay, on.width, on.height), 0.0);
    EXPECT_EQ(offAgain.meanDifference(off, 0, kBelowOverlay, on.width, on.height), 0.0);
    EXPECT_FALSE(lineChanged(off, on, kTriangles)) << "culling changed the mesh";
}
