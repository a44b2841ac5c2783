#include "app/Overlay.h"

#include "app/Scene.h"
#include "roam/Roam.h"

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
    if (renderer) {
        const float lastSplit = renderer->lastSplit, lastMerge = renderer->lastMerge;
        const OverlayColour colour = priorityColour(lastSplit, lastMerge);
        glColor3f(colour.r, colour.g, colour.b);
        std::snprintf(line, sizeof line, "last split = %2.5f", lastSplit);
        drawText(line, x, 66);
        std::snprintf(line, sizeof line, "last merge = %2.5f", lastMerge);
        drawText(line, x, 78);
    }
    glColor3f(1, 1, 1);
    std::snprintf(line, sizeof line, "%3.2f FPS", updateFps());
    drawText(line, x, 18);
    if (!renderer) return;
    std::snprintf(line, sizeof line, "%d triangles", static_cast<int>(renderer->triangleCount));
    drawText(line, x, 30);
    std::snprintf(line, sizeof line, "%d diamonds", renderer->diamondCount());
    drawText(line, x, 42);
    glColor3f(1, 1, 1);
    std::snprintf(line, sizeof line, "%d updates per frame",
                  static_cast<int>(renderer->updatesPerFrame));
    drawText(line, x, 54);
}
