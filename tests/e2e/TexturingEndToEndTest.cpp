#include "Pictures.h"

#include <gtest/gtest.h>

using namespace pictures;

TEST(TexturingEndToEnd, eachAlgorithmShowsWhatItIsFor) {
    AppRun app;
    ASSERT_TRUE(app.waitForFirstFrame()) << app.errors();
    const auto choose = [&](const char* key, const std::string& name) {
        app.key(key);
        EXPECT_TRUE(waitForFrameAfterKey(app));
        Screenshot shot;
        EXPECT_TRUE(app.waitForStable(shot, kTerrain));
        shot.savePng(artifactPath("texturing-" + name + ".png"));
        return shot;
    };

    const Screenshot basic = choose("1", "basic");
    EXPECT_GT(fraction(basic, bluish), 0.01) << "no sea";
    EXPECT_GT(fraction(basic, greenish), 0.05) << "no vegetation on the lower slopes";
    EXPECT_GT(fraction(basic, snowy), 0.002) << "no snow on the summit";
    EXPECT_EQ(choose("1", "basic-again").meanDifference(basic, kTerrain), 0.0);

    const Screenshot detailed = choose("2", "multitexturing");
    EXPECT_GT(fineStructure(detailed), 1.3 * fineStructure(basic));
    EXPECT_LT(detailed.meanDifference(basic, kTerrain), 30); // same colours underneath

    // The pattern's pale edges outline each triangle; its dark contour runs inside each one.
    const Screenshot grid = choose("grave", "trigrid");
    EXPECT_GT(fraction(grid, [](auto p) { return p[0] > 200 && p[1] > 215 && p[2] > 195; }), 0.03);
    EXPECT_GT(fraction(grid, [](auto p) { return p[0] < 90 && p[1] < 60 && p[2] < 40 && p[0]; }),
              0.01);
    app.key("Escape");
    EXPECT_EQ(app.waitForExit(), 0);
}
