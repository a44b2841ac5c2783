#pragma once

// GLUT's display, idle, reshape and visibility callbacks and the state they share.

extern bool frustumDirty;      // the camera may have moved; display re-extracts the frustum
extern bool orbitLight;        // false: the fixed light; true: the orbiting light and marker
extern float lightPosition[4]; // the fixed light; its y is moved by the light-height keys
extern float orbitLightPosition[4];
extern float orbitAngle;

extern const char* const kGlErrorPrefix;

// The program's window: double-buffered RGB with depth, at the top left, windowWidth x
// windowHeight, titled "Terrains...". It makes the GL context current.
void openWindow(int& argc, char** argv);

void display();
void idle();
void reshape(int width, int height);
void visibility(int state);
