#pragma once

// Keyboard and mouse bindings. Held keys only record a three-valued state (0, +1, -1); idle
// applies every non-zero state once per call, so an action repeats while its key is down.

extern int moveState, climbState, turnState, strafeState, tiltState;
extern int lightHeightState;
extern int levelRatioState, slopeCutoffState, texRepState, detailRepState, triplanarCutoffState;
extern int waterSpeedState;
extern int targetState, updatesState;
extern int lastMouseX, lastMouseY;

// The held-key state a key drives and the direction its press sets; both keys of a pair name the
// same state, so releasing either one clears it.
struct HeldKeyBinding {
    int* state;
    int direction;
};
HeldKeyBinding heldKeyBinding(unsigned char key); // state is null for other keys
HeldKeyBinding heldSpecialKeyBinding(int key);    // arrows, Home, End, Page Up, Page Down

// The shader parameters' steps: a cutoff or ratio moves by 0.001 and stays within [0.005, 1];
// a repeat count moves by 0.05 and falls back to 0.01 when it would reach 0 or below.
float stepUnitParameter(float value, int direction);
float stepRepeatParameter(float value, int direction);

// Idle's two passes over the held states: camera, light and shader parameters before the light
// moves, then the renderer's triangle target and step budget.
void applyHeldKeyStates();
void applyRendererKeyStates();
bool cameraStatesActive();

void keyboard(unsigned char key, int x, int y);
void keyboardUp(unsigned char key, int x, int y);
void specialKey(int key, int x, int y);
void specialKeyUp(int key, int x, int y);
void mouseButton(int button, int state, int x, int y);
void mouseMotion(int x, int y);
