#include "Pictures.h"

#include <gtest/gtest.h>

using namespace pictures;

namespace {

Screenshot press(AppRun& app, const char* key, const std::string& name) {
    app.key(key);
    EXPECT_TRUE(waitForFrameAfterKey(app));
    const Screenshot shot = app.screenshot();
    shot.savePng(artifactPath("shader-" + name + ".png"));
    return shot;
}

} // namespace

TEST(ShaderEndToEnd, theShadersDrawAtStartAndEverySwitchShows) {
    AppRun app;
    ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
    ASSERT_TRUE(waitForNextFrame(app));
    const Screenshot shaded = app.screenshot();
    shaded.savePng(artifactPath("shader-start.png"));

    // The sea moves while the camera stands still; the land does not. The drift is periodic, so
    // watch the sea for a while rather than compare one pair of frames.
    constexpr Region kSea{800, 410, 900, 470}, kLand{100, 300, 500, 500};
    ASSERT_TRUE(bluish(shaded.at(850, 440))) << "no sea in view";
    EXPECT_TRUE(app.waitForChange(shaded, 1.0, kSea)) << "the sea stood still";
    EXPECT_LT(app.screenshot().meanDifference(shaded, kLand), 0.5) << "the land moved";

    EXPECT_GT(press(app, "1", "basic").meanDifference(shaded, kTerrain), 8.0);
    EXPECT_LT(press(app, "3", "again").meanDifference(shaded, kTerrain), 3.0);

    // Untextured, only light shapes the grey surface; unlit, only the detail map is left.
    const Screenshot lit = press(app, "F3", "untextured-lit");
    const Screenshot unlit = press(app, "F1", "untextured-unlit");
    const Screenshot smooth = press(app, "F5", "untextured-unlit-no-detail");
    EXPECT_GT(shadingSpread(lit), 3.0 * shadingSpread(unlit));
    EXPECT_GT(fineStructure(unlit), 1.0);
    EXPECT_LT(fineStructure(smooth), 0.5 * fineStructure(unlit));
    // The normal view shows up-facing normals (0, 1, 0) as bright green.
    EXPECT_GT(fraction(press(app, "F4", "normals"), [](auto p) { return p[1] > 150; }), 0.3);
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0);
}

TEST(ShaderEndToEnd, withoutOpenGL2TheBasicTexturingDrawsAndKey3DoesNothing) {
    AppLaunch launch;
    launch.environment = {"MESA_GL_VERSION_OVERRIDE=1.5"};
    AppRun app(launch);
    ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
    Screenshot still; // the basic texturing holds still, the shaders' water would not
    ASSERT_TRUE(app.waitForStable(still, kTerrain));
    EXPECT_EQ(press(app, "3", "none-key3").meanDifference(still, kTerrain), 0.0);
    EXPECT_EQ(press(app, "1", "none-key1").meanDifference(still, kTerrain), 0.0);
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0);
    const std::string errors = app.errors(),
                      message = "OpenGL 2.0 not available! Shaders disabled\r\n";
    ASSERT_NE(errors.find(message), std::string::npos) << errors;
    EXPECT_EQ(errors.find(message, errors.find(message) + 1), std::string::npos) << "repeated";
}
