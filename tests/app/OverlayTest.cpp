#include "app/Overlay.h"

#include <gtest/gtest.h>

namespace {

void resetFps() {
    frameCount = 0;
    lastFpsTime = 0;
    fps = 0;
}

bool same(OverlayColour a, OverlayColour b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

} // namespace

TEST(Overlay, priorityLinesAreRedWhileSplitsLead) {
    EXPECT_TRUE(same(priorityColour(0.5f, 0.25f), {1, 0, 0}));
    EXPECT_TRUE(same(priorityColour(2147483648.0f, -2.0f), {1, 0, 0}));
}

TEST(Overlay, priorityLinesAreGreenWhenEqual) {
    EXPECT_TRUE(same(priorityColour(0.25f, 0.25f), {0, 1, 0}));
}

TEST(Overlay, priorityLinesAreBlueOnceMergesLead) {
    EXPECT_TRUE(same(priorityColour(0.1f, 0.2f), {0, 0, 1}));
    EXPECT_TRUE(same(priorityColour(0.1f, 2147483648.0f), {0, 0, 1}));
}

TEST(Overlay, frameRateIsZeroDuringTheFirstSecond) {
    resetFps();
    for (int t = 0; t <= 1000; t += 10) EXPECT_EQ(updateFpsAt(t), 0.0f);
}

TEST(Overlay, frameRateCountsFramesOverMoreThanASecond) {
    resetFps();
    for (int frame = 1; frame <= 59; ++frame) updateFpsAt(frame * 16);
    // The 60th frame at 1020 ms closes the window: 60 frames in 1.02 s.
    EXPECT_FLOAT_EQ(updateFpsAt(1020), static_cast<float>(60 / 1.02));
    EXPECT_EQ(lastFpsTime, 1020);
    EXPECT_EQ(frameCount, 0.0f);
    // The shown rate then holds until the next window closes.
    EXPECT_FLOAT_EQ(updateFpsAt(1500), static_cast<float>(60 / 1.02));
    EXPECT_FLOAT_EQ(updateFpsAt(2021), static_cast<float>(2 / 1.001));
}

TEST(Overlay, frameRateWindowNeedsStrictlyMoreThanOneSecond) {
    resetFps();
    lastFpsTime = 500;
    EXPECT_EQ(updateFpsAt(1500), 0.0f);
    EXPECT_FLOAT_EQ(updateFpsAt(1501), static_cast<float>(2 / 1.001));
}
