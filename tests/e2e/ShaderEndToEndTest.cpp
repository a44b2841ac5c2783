#include "Pictures.h"

using namespace pictures;

namespace {

// The columns with terrain under the sky, and the share of them where the rim's first three pixels
// are a bright line, well above the ground three pixels further down.
std::pair<int, double> brightRim(const Screenshot& shot) {
    int columns = 0, bright = 0;
    for (int x = 0; x < shot.width; ++x) {
        int y = kBelowOverlay;
        while (y < shot.height && luminance(shot.at(x, y)) < 8) ++y;
        if (y == kBelowOverlay || y + 9 > shot.height) continue;
        ++columns;
        double rim = 0;
        for (int i = 0; i < 3; ++i)
            rim += luminance(shot.at(x, y + i)) - luminance(shot.at(x, y + 6 + i));
        bright += rim / 3 > 40;
    }
    return {columns, columns ? double(bright) / columns : 0};
}

} // namespace

TEST(ShaderEndToEnd, withoutOpenGL2TheBasicTexturingDrawsAndKey3DoesNothing) {
    AppRun app({{"MESA_GL_VERSION_OVERRIDE=1.5"}, {}});
    ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
    Screenshot still; // the basic texturing holds still, the shaders' water would not
    ASSERT_TRUE(app.waitForStable(still, kTerrain));
    EXPECT_EQ(press(app, "3", "shader-none-key3").meanDifference(still, kTerrain), 0.0);
    EXPECT_EQ(press(app, "1", "shader-none-key1").meanDifference(still, kTerrain), 0.0);
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0);
    const std::string errors = app.errors(),
                      message = "OpenGL 2.0 not available! Shaders disabled\r\n";
    ASSERT_NE(errors.find(message), std::string::npos) << errors;
    EXPECT_EQ(errors.find(message, errors.find(message) + 1), std::string::npos) << "repeated";
}

// Maps meshed over a corner whose last row or column cuts across the island: facing that edge, its
// rim shows the ground's colours, not a seam of the sea's sand sampled past the last texel.
TEST(ShaderEndToEnd, theMeshsCutEdgesShowNoSeam) {
    const struct {
        const char* edge;
        const char* window; // of the island: column, row, width, length
        const char* turnTo; // the end of a drag from (50, 300): 0.004 radians a pixel
    } cases[] = {{"last-row", "0 0 1201 600", "836"},         // 513 x 513, half a turn
                 {"last-column", "150 330 1000 400", "443"}}; // 257 x 257, a quarter
    for (const auto& c : cases) {
        const std::string map = artifactPath(std::string("hawaii-c-") + c.edge + ".dem");
        const std::string translate = std::string("gdal_translate -q -of USGSDEM -srcwin ") +
                                      c.window + " " TERRAINS_SOURCE_DIR "/data/hawaii-c " + map;
        ASSERT_EQ(runCommand({"sh", "-c", translate}), 0);
        AppRun app({{}, {map}});
        ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
        app.xdotool({"mousemove", "--window", app.window(), "50", "300", "mousedown", "1",
                     "mousemove", "--window", app.window(), c.turnTo, "350", "mouseup", "1"});
        ASSERT_TRUE(waitForNextFrame(app) && waitForNextFrame(app));
        const Screenshot shot = app.screenshot();
        shot.save(std::string("shader-cut-") + c.edge);
        const auto [columns, bright] = brightRim(shot);
        EXPECT_GT(columns, 300) << c.edge << " not in view";
        EXPECT_LT(bright, 0.05) << "a seam along the " << c.edge;
        app.key("Escape");
        EXPECT_EQ(app.waitForExit(), 0);
    }
}
