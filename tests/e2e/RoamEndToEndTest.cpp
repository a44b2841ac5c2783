#include "Pictures.h"

#include <gtest/gtest.h>

using namespace pictures;

namespace {

// The overlay's lines by baseline: text stands from 10 pixels above it to 3 below.
Region line(int baseline) {
    return {0, baseline - 10, 260, baseline + 3};
}
const Region kTriangles = line(30), kUpdates = line(54), kPriorities{0, 56, 260, 81};

// Holds a key until the region changes, then lets it go.
bool holdUntilChanged(AppRun& app, const char* key, Region region) {
    const Screenshot before = app.screenshot();
    app.keyDown(key);
    const bool changed = app.waitForChange(before, 0.5, region);
    app.keyUp(key);
    return changed;
}

} // namespace

// Under the basic texturing, whose picture holds still when the camera does.
TEST(RoamEndToEnd, theOverlayFollowsTheMeshAndCullingLeavesThePictureAlone) {
    AppRun app;
    ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
    app.key("1");
    Screenshot still;
    ASSERT_TRUE(app.waitForStable(still, kTerrain));
    still.savePng(artifactPath("roam-overlay.png"));
    for (int baseline = 30; baseline <= 78; baseline += 12)
        EXPECT_TRUE(still.anyNonBlack(line(baseline))) << "no text at " << baseline;

    EXPECT_TRUE(holdUntilChanged(app, "Home", kTriangles)) << "Home left the count alone";
    EXPECT_TRUE(app.waitForStable(still, kTerrain));
    EXPECT_TRUE(holdUntilChanged(app, "End", kTriangles)) << "End left the count alone";
    EXPECT_TRUE(holdUntilChanged(app, "Prior", kUpdates)) << "Page Up left the budget alone";
    EXPECT_TRUE(holdUntilChanged(app, "Next", kUpdates)) << "Page Down left the budget alone";
    EXPECT_TRUE(holdUntilChanged(app, "w", kPriorities)) << "flying left the priorities alone";

    ASSERT_TRUE(app.waitForStable(still, kTerrain));
    app.key("c");
    ASSERT_TRUE(waitForNextFrame(app));
    const Screenshot culled = app.screenshot();
    culled.savePng(artifactPath("roam-culling-on.png"));
    EXPECT_EQ(culled.meanDifference(still, kTerrain), 0.0);
    EXPECT_EQ(culled.meanDifference(still, kTriangles), 0.0); // the mesh is the same
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0);
}
