#pragma once

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

// One real GL context per test process: a GLUT window on the current display, kept current.
void ensureGlContext();

// The program's whole scene, built once per process in the staged run directory.
void ensureScene();

// Reads every pending GL error, oldest first, leaving none behind.
std::vector<GLenum> drainGlErrors();

// Base for tests that talk to GL: the context exists and no error is pending when a test starts.
class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureGlContext(); }
    void SetUp() override { drainGlErrors(); }
    // note: llvmpipe still drawing at exit crashes in freeglut's exit handler.
    void TearDown() override { glFinish(); }
};
