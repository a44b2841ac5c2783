#include "app/FrameLoop.h"
#include "app/Input.h"
#include "app/Scene.h"

#include <GL/glew.h>
#include <GL/glut.h>

int main(int argc, char** argv) {
    openWindow(argc, argv);

    glutKeyboardFunc(keyboard);
    glutKeyboardUpFunc(keyboardUp);
    glutSpecialFunc(specialKey);
    glutSpecialUpFunc(specialKeyUp);
    glutMouseFunc(mouseButton);
    glutMotionFunc(mouseMotion);
    glutDisplayFunc(display);
    glutIdleFunc(idle);
    glutReshapeFunc(reshape);
    glutVisibilityFunc(visibility);
    glutIgnoreKeyRepeat(1);

    initScene();
    glutMainLoop();
    return 0;
}
