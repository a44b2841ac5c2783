#include "app/FrameLoop.h"
#include "app/Overlay.h"
#include "app/Scene.h"

#include "support/GlContext.h"

#include <GL/glut.h>

#include <string>
#include <vector>

namespace {

std::string errorLine(GLenum error) {
    return std::string(kGlErrorPrefix) + reinterpret_cast<const char*>(gluErrorString(error)) +
           "\n";
}

std::string displayCapturingErrors() {
    testing::internal::CaptureStderr();
    display();
    return testing::internal::GetCapturedStderr();
}

class FrameLoopGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ensureScene();
        drainGlErrors();
        reshape(900, 600);
    }
};

} // namespace

TEST_F(FrameLoopGl, pendingErrorIsReportedOnceByTheNextFrame) {
    glEnable(0x7fff); // not a capability: GL_INVALID_ENUM
    EXPECT_EQ(displayCapturingErrors(), errorLine(GL_INVALID_ENUM));
    EXPECT_EQ(displayCapturingErrors(), "");
}

TEST_F(FrameLoopGl, reshapeStoresTheSizeAndSetsTheViewport) {
    reshape(640, 480);
    EXPECT_EQ(windowWidth, 640);
    EXPECT_EQ(windowHeight, 480);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(FrameLoopGl, reshapeToHeightZeroIsTakenAsOne) {
    reshape(900, 0);
    EXPECT_EQ(windowHeight, 1);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // gluPerspective puts f / aspect in [0] and f in [5]: the aspect is the width itself.
    EXPECT_NEAR(projection[5] / projection[0], 900.0, 1e-2);
    EXPECT_EQ(displayCapturingErrors(), "");
    reshape(900, 600);
}

TEST_F(FrameLoopGl, overlayTextIsDrawnInTheTopLeftCorner) {
    glClear(GL_COLOR_BUFFER_BIT);
    drawOverlay();
    glFinish();
    std::vector<unsigned char> pixels(900 * 600 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 900, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    int topLeft = 0, elsewhere = 0;
    for (int row = 0; row < 600; ++row) {
        const int fromTop = 599 - row; // GL rows count from the bottom
        for (int column = 0; column < 900; ++column) {
            const unsigned char* p = &pixels[(row * 900 + column) * 3];
            if (!(p[0] || p[1] || p[2])) continue;
            // Six lines 12 pixels apart, the last (y = 78) the widest of the priority lines.
            if (fromTop < 82 && column < 200)
                ++topLeft;
            else
                ++elsewhere;
        }
    }
    EXPECT_GT(topLeft, 20);
    EXPECT_EQ(elsewhere, 0);
}

TEST_F(FrameLoopGl, overlaySwitchesLightingAndDepthTestOn) {
    glDisable(GL_LIGHTING);
    display();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
}
