#include "Pictures.h"

#include <gtest/gtest.h>

using namespace pictures;

namespace {

// Baselines of the overlay's lines, in pixels from the top: the triangles, the diamonds, the
// updates per frame, the last split and the last merge. Text stands 10 above to 3 below.
const int kTriangles = 30, kUpdates = 54, kCounters[] = {30, 42, 54, 66, 78};
const int kTextRight = 260;

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

    // Once the line holds still, holds the key until the line changes or time runs out.
    bool holdChanges(const std::string& key, int baseline) {
        Screenshot before;
        EXPECT_TRUE(app.waitForStable(60, 0, baseline - 10, kTextRight, baseline + 3, &before));
        app.keyDown(key);
        const bool changed =
            app.waitForChange(before, 0.5, 30, 0, baseline - 10, kTextRight, baseline + 3);
        app.keyUp(key);
        return changed;
    }

    AppRun app;
};

} // namespace

TEST_F(RoamEndToEnd, theOverlayShowsTheMeshCounters) {
    const Screenshot shot = app.screenshot();
    for (const int baseline : kCounters)
        EXPECT_TRUE(shot.anyNonBlack(0, baseline - 10, kTextRight, baseline + 3)) << baseline;
}

TEST_F(RoamEndToEnd, homeAndEndChangeTheTriangleLine) {
    EXPECT_TRUE(holdChanges("Home", kTriangles));
    EXPECT_TRUE(holdChanges("End", kTriangles));
}

TEST_F(RoamEndToEnd, pageUpAndPageDownChangeTheStepsLine) {
    EXPECT_TRUE(holdChanges("Prior", kUpdates));
    EXPECT_TRUE(holdChanges("Next", kUpdates));
}

TEST_F(RoamEndToEnd, cullingLeavesThePictureUnchanged) {
    app.key("1"); // the shaders' water moves from frame to frame; the basic texturing holds still
    ASSERT_TRUE(waitForNextFrame(app));
    Screenshot off;
    ASSERT_TRUE(app.waitForStable(60, 0, kBelowOverlay, -1, -1, &off));
    app.key("c");
    ASSERT_TRUE(waitForNextFrame(app));
    const Screenshot on = app.screenshot();
    on.savePng(artifactPath("roam-culling-on.png"));
    EXPECT_EQ(on.meanDifference(off, 0, kBelowOverlay, -1, -1), 0.0);
}
