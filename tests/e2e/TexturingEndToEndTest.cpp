#include "Pictures.h"

#include <gtest/gtest.h>

using namespace pictures;

namespace {

class TexturingEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.waitForWindow()) << app.errors();
        ASSERT_TRUE(app.waitForFrame()) << app.errors();
    }
    void TearDown() override {
        app.key("Escape");
        EXPECT_EQ(app.waitForExit(), 0) << app.errors();
    }

    // Chooses an algorithm and returns the settled picture, kept as an artefact.
    Screenshot choose(const std::string& key, const std::string& name) {
        app.key(key);
        EXPECT_TRUE(waitForNextFrame(app));
        Screenshot shot;
        EXPECT_TRUE(app.waitForStable(60, 0, kBelowOverlay, -1, -1, &shot));
        shot.savePng(artifactPath("texturing-" + name + ".png"));
        return shot;
    }

    AppRun app;
};

} // namespace

TEST_F(TexturingEndToEnd, colourTextureShowsSeaBandsAndSnow) {
    const Screenshot basic = choose("1", "basic");
    EXPECT_GT(fraction(basic, bluish), 0.01) << "no sea";
    EXPECT_GT(fraction(basic, greenish), 0.05) << "no vegetation on the lower slopes";
    EXPECT_GT(fraction(basic, snowy), 0.002) << "no snow on the summit";
}

TEST_F(TexturingEndToEnd, detailMapAddsFineStructure) {
    const Screenshot basic = choose("1", "basic");
    const Screenshot detailed = choose("2", "multitexturing");
    EXPECT_GT(fineStructure(detailed), fineStructure(basic) * 1.3);
    // The colours underneath are the same texture: the broad picture stays alike.
    EXPECT_LT(detailed.meanDifference(basic, 0, kBelowOverlay, -1, -1), 30);
}

TEST_F(TexturingEndToEnd, triGridShowsEveryTriangleOfTheMesh) {
    const Screenshot grid = choose("grave", "trigrid");
    // The pattern's pale edges outline each triangle; its dark contour runs inside each one.
    const double edges = fraction(
        grid, [](const unsigned char* p) { return p[0] > 200 && p[1] > 215 && p[2] > 195; });
    const double contours = fraction(grid, [](const unsigned char* p) {
        return p[0] < 90 && p[1] < 60 && p[2] < 40 && (p[0] || p[1]);
    });
    EXPECT_GT(edges, 0.03);
    EXPECT_GT(contours, 0.01);
    EXPECT_GT(fineStructure(grid), fineStructure(choose("1", "basic")));
}

TEST_F(TexturingEndToEnd, choosingTheCurrentAlgorithmAgainChangesNothing) {
    const Screenshot first = choose("1", "basic");
    const Screenshot again = choose("1", "basic-again");
    EXPECT_EQ(again.meanDifference(first, 0, kBelowOverlay, -1, -1), 0.0);
}
