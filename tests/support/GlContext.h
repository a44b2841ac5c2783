#pragma once

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

// One real GL context per test process: a GLUT window on the current display (Mesa's llvmpipe
// under Xvfb when run through scripts/with-display), created on first use and kept current.
void ensureGlContext();

// Builds the program's whole scene once per process, in the staged run directory (the scene
// reads its files from the working directory). The scene lives until the process ends.
void ensureScene();

// Reads every pending GL error, oldest first, leaving none behind.
std::vector<GLenum> drainGlErrors();

// Base for tests that talk to GL: the context exists and no error is pending when a test starts.
class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureGlContext(); }
    void SetUp() override { drainGlErrors(); }
    // note: llvmpipe may still be drawing when the process exits, and then crashes in freeglut's
    // exit handler; every test finishes its drawing.
    void TearDown() override { glFinish(); }
};
