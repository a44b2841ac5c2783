#pragma once

// The text overlay in the window's top-left corner: frame rate and the renderer's counters.

struct OverlayColour {
    float r, g, b;
};

// Colour of the two priority lines: red while splits still beat merges, green when they are
// equal, blue once merges win.
OverlayColour priorityColour(float lastSplit, float lastMerge);

// Frame-rate window: frames are counted and the rate recomputed only once more than a second has
// passed, so the shown value is 0.00 for the first second.
extern float frameCount;
extern int lastFpsTime;
extern float fps;

float updateFpsAt(int elapsedMilliseconds);
float updateFps(); // uses GLUT's elapsed time

// Draws text at a window position in pixels from the top-left corner, y downward.
void drawText(const char* text, float x, float y);

// The overlay lines, in their fixed order, colours and positions.
void drawOverlay();
