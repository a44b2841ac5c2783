#include "app/CommandLine.h"
#include "app/FrameLoop.h"
#include "app/Input.h"
#include "app/Printable.h"
#include "app/Scene.h"

#include <GL/glew.h>
#include <GL/glut.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Our options are read before GLUT opens the display, so --help and mistakes need none.
    const char* slash = argc > 0 ? std::strrchr(argv[0], '/') : nullptr;
    const std::string name = printable(slash ? slash + 1 : argc > 0 ? argv[0] : "terrains");
    std::string error;
    if (!parseCommandLine(argc, argv, commandLine, error)) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), printable(error).c_str());
        std::fprintf(stderr, kUsage, name.c_str());
        return 2;
    }
    if (commandLine.help) {
        std::printf(kUsage, name.c_str());
        return 0;
    }

    findMapFile(); // a map that cannot be read needs no window to say so

    std::vector<char*> glutArgv;
    for (std::string& word : commandLine.glutArguments) glutArgv.push_back(word.data());
    glutArgv.push_back(nullptr);
    int glutArgc = static_cast<int>(glutArgv.size()) - 1;
    openWindow(glutArgc, glutArgv.data());

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
