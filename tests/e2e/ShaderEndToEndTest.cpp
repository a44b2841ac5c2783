#include "Pictures.h"

#include <gtest/gtest.h>

using namespace pictures;

namespace {

class ShaderEndToEnd : public ::testing::Test {
protected:
    void start(const AppRun::Options& options = {}) {
        app = std::make_unique<AppRun>(options);
        ASSERT_TRUE(app->waitForWindow()) << app->errors();
        ASSERT_TRUE(app->waitForFrame()) << app->errors();
    }
    void TearDown() override {
        if (!app) return;
        app->key("Escape");
        EXPECT_EQ(app->waitForExit(), 0) << app->errors();
    }

    // Presses a key and returns a picture drawn after it, kept as an artefact.
    Screenshot press(const std::string& key, const std::string& name) {
        app->key(key);
        EXPECT_TRUE(waitForNextFrame(*app));
        const Screenshot shot = app->screenshot();
        shot.savePng(artifactPath("shader-" + name + ".png"));
        return shot;
    }

    std::unique_ptr<AppRun> app;
};

double meanDifferenceWhere(const Screenshot& a, const Screenshot& b,
                           const std::function<bool(const unsigned char*)>& where) {
    double sum = 0;
    long count = 0;
    for (int y = kBelowOverlay; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            if (!where(a.at(x, y))) continue;
            for (int c = 0; c < 3; ++c) sum += std::abs(a.at(x, y)[c] - b.at(x, y)[c]);
            count += 3;
        }
    return count ? sum / count : 0;
}

} // namespace

TEST_F(ShaderEndToEnd, startUpDrawsWithTheShadersAndKey3ComesBackToThem) {
    start();
    ASSERT_TRUE(waitForNextFrame(*app));
    const Screenshot shaded = app->screenshot();
    shaded.savePng(artifactPath("shader-start.png"));
    const Screenshot basic = press("1", "basic");
    EXPECT_GT(basic.meanDifference(shaded, 0, kBelowOverlay, -1, -1), 8.0);
    const Screenshot again = press("3", "again");
    EXPECT_LT(again.meanDifference(shaded, 0, kBelowOverlay, -1, -1), 3.0);
}

TEST_F(ShaderEndToEnd, lightingOffFlattensTheShading) {
    start();
    const Screenshot lit = press("F3", "untextured-lit"); // plain grey: only light shapes it
    const Screenshot unlit = press("F1", "untextured-unlit");
    EXPECT_GT(shadingSpread(lit), 3.0 * shadingSpread(unlit));
    EXPECT_GT(shadingSpread(lit), 8.0);
}

TEST_F(ShaderEndToEnd, detailMapOffRemovesTheFineStructure) {
    start();
    press("F3", "untextured-lit");
    const Screenshot detailed = press("F1", "untextured-unlit"); // grey, unlit: detail alone
    const Screenshot smooth = press("F5", "untextured-unlit-no-detail");
    EXPECT_GT(fineStructure(detailed), 1.0);
    EXPECT_LT(fineStructure(smooth), 0.5 * fineStructure(detailed));
}

TEST_F(ShaderEndToEnd, normalMapViewShowsTheNormalsAsColour) {
    start();
    const Screenshot normals = press("F4", "normal-map");
    // Up-facing normals (0, 1, 0) show as (127, 255, 127): greens and cyans, no dark pixels.
    const double bright = fraction(normals, [](const unsigned char* p) { return p[1] > 150; });
    EXPECT_GT(bright, 0.3);
}

TEST_F(ShaderEndToEnd, waterMovesWhileTheCameraStandsStill) {
    start();
    ASSERT_TRUE(waitForNextFrame(*app));
    const Screenshot first = app->screenshot();
    ASSERT_GT(fraction(first, bluish), 0.01) << "no sea in view";
    for (int second = 0; second < 3; ++second) ASSERT_TRUE(waitForNextFrame(*app));
    const Screenshot later = app->screenshot();
    first.savePng(artifactPath("shader-water-first.png"));
    later.savePng(artifactPath("shader-water-later.png"));
    EXPECT_GT(meanDifferenceWhere(first, later, bluish), 1.0) << "the sea stood still";
    const auto land = [](const unsigned char* p) {
        return !bluish(p) && luminance(p) > 8 && p[1] >= p[2];
    };
    EXPECT_LT(meanDifferenceWhere(first, later, land), 0.5) << "the land moved";
}

TEST_F(ShaderEndToEnd, withoutOpenGL2TheBasicTexturingDrawsAndKey3DoesNothing) {
    AppRun::Options options;
    options.environment = {"MESA_GL_VERSION_OVERRIDE=1.5"};
    start(options);
    Screenshot still;
    // The basic texturing holds still (the shaders' water would not).
    ASSERT_TRUE(app->waitForStable(60, 0, kBelowOverlay, -1, -1, &still));
    still.savePng(artifactPath("shader-none-start.png"));
    const Screenshot afterKey3 = press("3", "none-key3");
    EXPECT_EQ(afterKey3.meanDifference(still, 0, kBelowOverlay, -1, -1), 0.0);
    const Screenshot afterKey1 = press("1", "none-key1");
    EXPECT_EQ(afterKey1.meanDifference(still, 0, kBelowOverlay, -1, -1), 0.0);
    app->key("Escape");
    EXPECT_EQ(app->waitForExit(), 0);
    const std::string errors = app->errors();
    const std::string message = "OpenGL 2.0 not available! Shaders disabled\r\n";
    const size_t first = errors.find(message);
    EXPECT_NE(first, std::string::npos) << errors;
    EXPECT_EQ(errors.find(message, first + 1), std::string::npos) << "written more than once";
    app.reset();
}
