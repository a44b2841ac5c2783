#include "app/Overlay.h"

#include "app/Scene.h"

#include <GL/glew.h>
#include <GL/glut.h>

#include <cstdio>

float frameCount = 0;
int lastFpsTime = 0;
float fps = 0;

OverlayColour priorityColour(float lastSplit, float lastMerge) {
    if (lastSplit > lastMerge) return {1, 0, 0};
    if (lastSplit == lastMerge) return {0, 1, 0};
    return {0, 0, 1};
}

float updateFpsAt(int elapsedMilliseconds) {
    frameCount += 1;
    const int sinceLast = elapsedMilliseconds - lastFpsTime;
    if (sinceLast > 1000) {
        fps = static_cast<float>(frameCount / (sinceLast / 1000.0));
        lastFpsTime = elapsedMilliseconds;
        frameCount = 0;
    }
    return fps;
}

float updateFps() {
    return updateFpsAt(glutGet(GLUT_ELAPSED_TIME));
}

void drawText(const char* text, float x, float y) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, windowWidth, 0, windowHeight);
    glScalef(1, -1, 1);
    glTranslatef(0, static_cast<float>(-windowHeight), 0);
    glMatrixMode(GL_MODELVIEW);

    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2f(x, y);
    for (const char* c = text; *c; ++c) glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, *c);
    glPopMatrix();
    // note: this is what switches lighting on for the scene; it stays on from the first line.
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void drawOverlay() {
    char line[96];
    const float x = 6;
    glColor3f(1, 1, 1);
    std::snprintf(line, sizeof line, "%3.2f FPS", updateFps());
    drawText(line, x, 18);
}
