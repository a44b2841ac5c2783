#include "app/Input.h"

#include "app/Camera.h"
#include "app/FrameLoop.h"
#include "app/Scene.h"
#include "roam/Roam.h"
#include "texturing/ShaderTexturingAlgorithm.h"

#include <GL/glut.h>

#include <cctype>
#include <cstdlib>

int moveState = 0, climbState = 0, turnState = 0, strafeState = 0, tiltState = 0;
int lightHeightState = 0;
int levelRatioState = 0, slopeCutoffState = 0, texRepState = 0, detailRepState = 0,
    triplanarCutoffState = 0;
int waterSpeedState = 0;
int targetState = 0, updatesState = 0;
int lastMouseX = 0, lastMouseY = 0;

HeldKeyBinding heldKeyBinding(unsigned char key) {
    switch (std::tolower(key)) {
    case 'w':
        return {&moveState, -1};
    case 's':
        return {&moveState, +1};
    case 'a':
        return {&strafeState, +1};
    case 'd':
        return {&strafeState, -1};
    case 'r':
        return {&climbState, +1};
    case 'f':
        return {&climbState, -1};
    case 't':
        return {&lightHeightState, +1};
    case 'g':
        return {&lightHeightState, -1};
    case 'y':
        return {&levelRatioState, +1};
    case 'h':
        return {&levelRatioState, -1};
    case 'u':
        return {&slopeCutoffState, +1};
    case 'j':
        return {&slopeCutoffState, -1};
    case 'i':
        return {&texRepState, +1};
    case 'k':
        return {&texRepState, -1};
    case 'o':
        return {&detailRepState, +1};
    case 'l':
        return {&detailRepState, -1};
    case 'p':
        return {&triplanarCutoffState, +1};
    case ';':
    case ':':
        return {&triplanarCutoffState, -1};
    case '[':
    case '{':
        return {&waterSpeedState, +1};
    case '\'':
    case '"':
        return {&waterSpeedState, -1};
    default:
        return {nullptr, 0};
    }
}

HeldKeyBinding heldSpecialKeyBinding(int key) {
    switch (key) {
    case GLUT_KEY_UP:
        return {&tiltState, +1};
    case GLUT_KEY_DOWN:
        return {&tiltState, -1};
    case GLUT_KEY_LEFT:
        return {&turnState, +1};
    case GLUT_KEY_RIGHT:
        return {&turnState, -1};
    case GLUT_KEY_PAGE_UP:
        return {&updatesState, +1};
    case GLUT_KEY_PAGE_DOWN:
        return {&updatesState, -1};
    case GLUT_KEY_HOME:
        return {&targetState, +1};
    case GLUT_KEY_END:
        return {&targetState, -1};
    default:
        return {nullptr, 0};
    }
}

float stepUnitParameter(float value, int direction) {
    // note: the step is a double; only the sum is rounded to float.
    const float stepped = static_cast<float>(value + direction * 0.001);
    if (stepped > 1.0f) return 1.0f;
    if (stepped < 0.005f) return 0.005f;
    return stepped;
}

float stepRepeatParameter(float value, int direction) {
    const float stepped = value + static_cast<float>(direction) * 0.05f;
    return stepped <= 0.0f ? 0.01f : stepped;
}

void applyHeldKeyStates() {
    if (camera) {
        if (moveState > 0) camera->moveBackward();
        if (moveState < 0) camera->moveForward();
        if (climbState > 0) camera->moveUp();
        if (climbState < 0) camera->moveDown();
        if (turnState > 0) camera->turnLeft(1.0f);
        if (turnState < 0) camera->turnRight(1.0f);
        if (strafeState > 0) camera->strafeLeft();
        if (strafeState < 0) camera->strafeRight();
        if (tiltState > 0) camera->lookUp(1.0f);
        if (tiltState < 0) camera->lookDown(1.0f);
    }
    if (lightHeightState != 0 && !orbitLight) lightPosition[1] += 10.0f * lightHeightState;
    if (shaderAlgorithm) {
        // The parameters move whether or not the shaders are in force; they apply when drawn.
        ShaderTexturingAlgorithm& shader = *shaderAlgorithm;
        if (levelRatioState)
            shader.levelRatio = stepUnitParameter(shader.levelRatio, levelRatioState);
        if (slopeCutoffState)
            shader.slopeCutoff = stepUnitParameter(shader.slopeCutoff, slopeCutoffState);
        if (texRepState) shader.texRep = stepRepeatParameter(shader.texRep, texRepState);
        if (detailRepState)
            shader.detailRep = stepRepeatParameter(shader.detailRep, detailRepState);
        if (triplanarCutoffState)
            shader.triplanarCutoff =
                stepUnitParameter(shader.triplanarCutoff, triplanarCutoffState);
        if (waterSpeedState) shader.waterSpeed += waterSpeedState * (1.0f / 8192);
    }
}

void applyRendererKeyStates() {
    if (!renderer) return;
    if (targetState > 0) renderer->raiseTriangleTarget();
    if (targetState < 0) renderer->lowerTriangleTarget();
    if (updatesState > 0) renderer->raiseUpdatesPerFrame();
    if (updatesState < 0) renderer->lowerUpdatesPerFrame();
}

bool cameraStatesActive() {
    return moveState != 0 || climbState != 0 || turnState != 0 || strafeState != 0 ||
           tiltState != 0;
}

static void chooseAlgorithm(TexturingAlgorithm* algorithm) {
    if (!algorithm) return;
    currentAlgorithm = algorithm;
    applyTexturingAlgorithm();
}

void keyboard(unsigned char key, int, int) {
    const HeldKeyBinding held = heldKeyBinding(key);
    if (held.state) {
        *held.state = held.direction;
        return;
    }
    switch (key) {
    case 27:
    case 'Q':
    case 'q':
        std::exit(0);
    case 'N':
    case 'n':
        orbitLight = !orbitLight;
        break;
    case '1':
        chooseAlgorithm(basicAlgorithm);
        break;
    case '2':
        chooseAlgorithm(multitexturingAlgorithm);
        break;
    case '3':
        // note: without OpenGL 2.0 the shader algorithm was never set up; the key does nothing.
        if (shaderAlgorithm && shaderAlgorithm->shadersSupported) chooseAlgorithm(shaderAlgorithm);
        break;
    case '`':
        chooseAlgorithm(triGridAlgorithm);
        break;
    case 'C':
    case 'c':
        if (renderer) renderer->cullingEnabled = !renderer->cullingEnabled;
        break;
    default:
        break;
    }
}

void keyboardUp(unsigned char key, int, int) {
    const HeldKeyBinding held = heldKeyBinding(key);
    if (held.state) *held.state = 0;
}

void specialKey(int key, int, int) {
    const HeldKeyBinding held = heldSpecialKeyBinding(key);
    if (held.state) {
        *held.state = held.direction;
        return;
    }
    if (!shaderAlgorithm) return;
    ShaderTexturingAlgorithm& shader = *shaderAlgorithm;
    switch (key) {
    case GLUT_KEY_F1:
        shader.lighting = !shader.lighting;
        break;
    case GLUT_KEY_F2:
        shader.slopeTexturing = !shader.slopeTexturing;
        break;
    case GLUT_KEY_F3:
        shader.texturing = !shader.texturing;
        break;
    case GLUT_KEY_F4:
        shader.normalTexture = !shader.normalTexture;
        break;
    case GLUT_KEY_F5:
        shader.useDetailMap = !shader.useDetailMap;
        break;
    case GLUT_KEY_F6:
        shader.triplanarTexturing = !shader.triplanarTexturing;
        break;
    case GLUT_KEY_F7:
        shader.textureLOD = !shader.textureLOD;
        break;
    default:
        break;
    }
}

void specialKeyUp(int key, int, int) {
    const HeldKeyBinding held = heldSpecialKeyBinding(key);
    if (held.state) *held.state = 0;
}

void mouseButton(int, int state, int x, int y) {
    if (state != GLUT_DOWN) return;
    lastMouseX = x;
    lastMouseY = y;
}

void mouseMotion(int x, int y) {
    const int dx = x - lastMouseX;
    const int dy = lastMouseY - y; // GLUT's y grows downward: dragging up looks up
    if (camera) {
        // Turn first, then tilt: 0.2 of a unit per pixel, 0.004 radians at the camera's speed.
        if (dx > 0) camera->turnRight(static_cast<float>(0.2 * dx));
        if (dx < 0) camera->turnLeft(static_cast<float>(0.2 * -dx));
        if (dy > 0) camera->lookUp(static_cast<float>(0.2 * dy));
        if (dy < 0) camera->lookDown(static_cast<float>(0.2 * -dy));
    }
    lastMouseX = x;
    lastMouseY = y;
    if (dx != 0 || dy != 0) frustumDirty = true;
}
