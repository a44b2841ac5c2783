#include "Pictures.h"

#include <chrono>
#include <thread>

using namespace pictures;

// The shaders at start, what each texturing and two switches are for, a flight by keys and a drag.
TEST(IslandEndToEnd, eachTexturingShowsWhatItIsForAndKeysAndDragsFly) {
    AppRun app;
    ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
    ASSERT_TRUE(waitForNextFrame(app));
    const Screenshot shaded = app.screenshot();
    shaded.save("shader-start");
    // The sea moves while the camera stands still, the land does not; the drift is periodic, so
    // the sea is watched for a while.
    constexpr Region kSea{800, 410, 900, 470}, kLand{100, 300, 500, 500};
    ASSERT_TRUE(bluish(shaded.at(850, 440))) << "no sea in view";
    EXPECT_TRUE(app.waitForChange(shaded, 1.0, kSea)) << "the sea stood still";
    EXPECT_LT(app.screenshot().meanDifference(shaded, kLand), 0.5) << "the land moved";
    EXPECT_GT(press(app, "1", "shader-basic").meanDifference(shaded, kTerrain), 8.0);
    EXPECT_LT(press(app, "3", "shader-again").meanDifference(shaded, kTerrain), 3.0);

    // Untextured, the surface is grey.
    EXPECT_GT(fraction(press(app, "F3", "shader-untextured"), grey), 0.99);
    EXPECT_LT(fraction(shaded, grey), 0.5);
    // The normal view shows up-facing normals (0, 1, 0) as bright green.
    EXPECT_GT(fraction(press(app, "F4", "shader-normals"), [](auto p) { return p[1] > 150; }), 0.3);

    const Screenshot basic = press(app, "1", "texturing-basic", true);
    EXPECT_GT(fraction(basic, bluish), 0.01) << "no sea";
    EXPECT_GT(fraction(basic, [](auto p) { return p[1] > p[0] + 15 && p[1] > p[2] + 15; }), 0.05)
        << "no vegetation on the lower slopes";
    EXPECT_GT(fraction(basic, snowy), 0.002) << "no snow on the summit";
    // Multitexturing adds the detail map's fine structure over the same colours.
    const Screenshot detailed = press(app, "2", "texturing-multi", true);
    EXPECT_GT(fineStructure(detailed), 1.3 * fineStructure(basic));
    EXPECT_LT(detailed.meanDifference(basic, kTerrain), 30);
    // The grid's pale edges outline each triangle; its dark contour runs inside each one.
    const Screenshot grid = press(app, "grave", "texturing-grid", true);
    EXPECT_GT(fraction(grid, [](auto p) { return p[0] > 200 && p[1] > 215 && p[2] > 195; }), 0.03);
    EXPECT_GT(fraction(grid, [](auto p) { return p[0] < 90 && p[1] < 60 && p[2] < 40 && p[0]; }),
              0.01);

    // Flown under the basic texturing, whose picture holds still when the camera does.
    Screenshot still = press(app, "1", "flight-start", true);
    for (const char* key : {"w", "Left", "Down"}) {
        app.xdotool({"keydown", key});
        EXPECT_TRUE(app.waitForChange(still, 1.0, kTerrain)) << key << " did not move";
        app.xdotool({"keyup", key});
        EXPECT_TRUE(app.waitForStable(still, kTerrain)) << key << " kept moving";
    }
    app.xdotool({"mousedown", "1", "mousemove", "--window", app.window(), "400", "320", "mousemove",
                 "--window", app.window(), "350", "340", "mouseup", "1"});
    EXPECT_TRUE(app.waitForChange(still, 1.0, kTerrain)) << "the drag did not turn";
    ASSERT_TRUE(app.waitForStable(still, kTerrain));
    still.save("flight-after-keys-and-drag");
    // Were idle not paused while hidden, S held would run unthrottled to the map's edge (about 150
    // steps) and the picture would stand still once shown again.
    app.xdotool({"keydown", "s"});
    app.xdotool({"windowunmap", "--sync", app.window()});
    std::this_thread::sleep_for(std::chrono::seconds(3)); // the stimulus: hidden with S held
    app.xdotool({"windowmap", "--sync", app.window()});
    ASSERT_TRUE(waitForNextFrame(app));
    EXPECT_TRUE(app.waitForChange(app.screenshot(), 1.0, kTerrain)) << "did not resume";
    app.xdotool({"keyup", "s"});
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0);
}
