#include "app/FrameLoop.h"

#include "app/Camera.h"
#include "app/Input.h"
#include "app/Overlay.h"
#include "app/Scene.h"
#include "texturing/ShaderTexturingAlgorithm.h"
#include "roam/Roam.h"

#include <GL/glew.h>
#include <GL/glut.h>

#include <cmath>
#include <iostream>

bool frustumDirty = false;
bool orbitLight = false;
float lightPosition[4] = {512, 1000, 512, 1};
float orbitLightPosition[4] = {512, -1000, 512, 1};
float orbitAngle = 0;

const char* const kGlErrorPrefix = "OpenGL Error: ";

void openWindow(int& argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Terrains...");
}

void display() {
    // One error per frame: whatever the previous frame (or start-up) left pending.
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        std::cerr << kGlErrorPrefix << reinterpret_cast<const char*>(gluErrorString(error))
                  << std::endl;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (camera) camera->applyView();
    if (frustumDirty) {
        if (camera) camera->extractFrustum();
        frustumDirty = false;
    }

    glLightfv(GL_LIGHT0, GL_POSITION, orbitLight ? orbitLightPosition : lightPosition);

    if (renderer) {
        glPushMatrix();
        renderer->draw(*camera);
        glPopMatrix();
    }

    if (orbitLight) {
        glPushMatrix();
        glDisable(GL_LIGHTING); // stays off until the overlay's first line
        glColor3f(0.9f, 0.8f, 0.2f);
        glTranslatef(orbitLightPosition[0], orbitLightPosition[1], orbitLightPosition[2]);
        glutSolidSphere(40.0, 30, 30);
        glPopMatrix();
    }

    drawOverlay();
    glFlush();
    glutSwapBuffers();
}

void idle() {
    if (shaderAlgorithm) {
        // The water's time base runs 0 to 16383, whether or not the shaders are in force.
        shaderAlgorithm->waterTime += 1;
        if (shaderAlgorithm->waterTime == 16384) shaderAlgorithm->waterTime = 0;
    }
    applyHeldKeyStates();

    if (orbitLight) {
        orbitAngle += 0.003f;
        orbitLightPosition[1] += 3.0f * std::sin(orbitAngle);
        orbitLightPosition[2] += 3.0f * std::cos(orbitAngle);
    }

    applyRendererKeyStates();

    if (cameraStatesActive()) frustumDirty = true; // even when the ground test refused the move
    if (renderer) renderer->update(*camera);
    glutPostRedisplay();
}

void reshape(int width, int height) {
    if (height == 0) height = 1;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    windowWidth = width;
    windowHeight = height;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    gluPerspective(45.0, aspect, 0.1, 2000.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (camera) {
        camera->applyView();
        camera->extractFrustum();
    }
}

void visibility(int state) {
    glutIdleFunc(state == GLUT_VISIBLE ? idle : nullptr);
}
