#include "app/FrameLoop.h"
#include "app/Input.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int* s :
             {&moveState, &climbState, &turnState, &strafeState, &tiltState, &lightHeightState,
              &levelRatioState, &slopeCutoffState, &texRepState, &detailRepState,
              &triplanarCutoffState, &waterSpeedState, &targetState, &updatesState})
            *s = 0;
        frustumDirty = false;
        orbitLight = false;
        lightPosition[1] = 1000;
    }
};

} // namespace

TEST_F(InputTest, pressingTheOppositeKeyReversesAndReleasingEitherStops) {
    keyboard('w', 0, 0);
    EXPECT_EQ(moveState, -1);
    keyboard('s', 0, 0);
    EXPECT_EQ(moveState, +1);
    keyboardUp('w', 0, 0); // W released while S is still down: the pair stops
    EXPECT_EQ(moveState, 0);
}

TEST_F(InputTest, lettersActAlikeInBothCases) {
    keyboard('A', 0, 0);
    EXPECT_EQ(strafeState, +1);
    keyboardUp('a', 0, 0);
    EXPECT_EQ(strafeState, 0);
    keyboard('d', 0, 0);
    EXPECT_EQ(strafeState, -1);
    keyboardUp('D', 0, 0);
    EXPECT_EQ(strafeState, 0);
}

TEST_F(InputTest, shiftedPunctuationActsLikeItsKey) {
    keyboard(':', 0, 0);
    EXPECT_EQ(triplanarCutoffState, -1);
    keyboardUp('p', 0, 0);
    EXPECT_EQ(triplanarCutoffState, 0);
    keyboard('{', 0, 0);
    EXPECT_EQ(waterSpeedState, +1);
    keyboard('"', 0, 0);
    EXPECT_EQ(waterSpeedState, -1);
    keyboardUp('[', 0, 0);
    EXPECT_EQ(waterSpeedState, 0);
    keyboard('\'', 0, 0);
    EXPECT_EQ(waterSpeedState, -1);
}

TEST_F(InputTest, specialKeysDriveTheirPairs) {
    specialKey(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(turnState, +1);
    specialKeyUp(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(turnState, 0);
    specialKey(GLUT_KEY_DOWN, 0, 0);
    EXPECT_EQ(tiltState, -1);
    specialKey(GLUT_KEY_END, 0, 0);
    EXPECT_EQ(targetState, -1);
    specialKey(GLUT_KEY_PAGE_UP, 0, 0);
    EXPECT_EQ(updatesState, +1);
    specialKey(GLUT_KEY_F8, 0, 0);
    specialKeyUp(GLUT_KEY_INSERT, 0, 0);
    EXPECT_EQ(tiltState, -1);
    EXPECT_EQ(updatesState, +1);
}

TEST_F(InputTest, unlistedKeysChangeNothing) {
    keyboard('x', 0, 0);
    keyboardUp('x', 0, 0);
    keyboard('5', 0, 0);
    for (int s : {moveState, climbState, strafeState, lightHeightState, waterSpeedState})
        EXPECT_EQ(s, 0);
}

TEST_F(InputTest, lightHeightAppliesOnlyToTheFixedLightAndPersistsAcrossModes) {
    keyboard('t', 0, 0);
    applyHeldKeyStates();
    EXPECT_EQ(lightPosition[1], 1010.0f);
    keyboard('n', 0, 0); // orbit mode: T has no effect but stays held
    applyHeldKeyStates();
    EXPECT_EQ(lightPosition[1], 1010.0f);
    keyboard('N', 0, 0);
    applyHeldKeyStates();
    EXPECT_EQ(lightPosition[1], 1020.0f);
}

TEST_F(InputTest, unitParametersStepByAThousandthWithinTheirRange) {
    float ratio = 0.25f;
    int calls = 0;
    while (ratio < 1.0f && calls < 2000) {
        ratio = stepUnitParameter(ratio, +1);
        ++calls;
    }
    EXPECT_EQ(ratio, 1.0f);
    EXPECT_NEAR(calls, 750, 2);
    EXPECT_EQ(stepUnitParameter(1.0f, +1), 1.0f);
    EXPECT_EQ(stepUnitParameter(0.0055f, -1), 0.005f);
    EXPECT_EQ(stepUnitParameter(0.005f, -1), 0.005f);
    EXPECT_EQ(stepUnitParameter(0.75f, -1), static_cast<float>(0.75f - 0.001));
}

TEST_F(InputTest, repeatParametersFallBackToOneHundredthAtZero) {
    float rep = 10.0f;
    int calls = 0;
    while (rep != 0.01f && calls < 1000) {
        rep = stepRepeatParameter(rep, -1);
        ++calls;
    }
    EXPECT_NEAR(calls, 200, 1);
    EXPECT_EQ(stepRepeatParameter(0.01f, -1), 0.01f); // held: stays at 0.01
    EXPECT_EQ(stepRepeatParameter(0.01f, +1), 0.01f + 0.05f);
}

TEST_F(InputTest, dragWithMovementMarksTheFrustumStale) {
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    mouseMotion(100, 100);
    EXPECT_FALSE(frustumDirty);
    mouseMotion(103, 98);
    EXPECT_TRUE(frustumDirty);
    EXPECT_EQ(lastMouseX, 103);
    EXPECT_EQ(lastMouseY, 98);
}
