#include "app/Scene.h"

#include "app/Camera.h"
#include "app/DataFiles.h"
#include "app/Printable.h"
#include "terrain/DEMHeightMap.h"
#include "terrain/HeightMapFile.h"
#include "roam/Roam.h"
#include "texturing/BasicTexturingAlgorithm.h"
#include "texturing/MultitexturingAlgorithm.h"
#include "texturing/ShaderTexturingAlgorithm.h"
#include "texturing/TriGridTexturingAlgorithm.h"

#include <GL/glew.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

CommandLine commandLine;
std::string mapPath;
int windowWidth = 900;
int windowHeight = 600;
HeightMap* heightMap = nullptr;
Camera* camera = nullptr;
Roam* renderer = nullptr;
TexturingAlgorithm* basicAlgorithm = nullptr;
TexturingAlgorithm* multitexturingAlgorithm = nullptr;
ShaderTexturingAlgorithm* shaderAlgorithm = nullptr;
TexturingAlgorithm* triGridAlgorithm = nullptr;
TexturingAlgorithm* currentAlgorithm = nullptr;

std::string findMapFile() {
    const std::string path =
        commandLine.fileGiven ? commandLine.file : dataFile(commandLine.file.c_str());
    struct stat status;
    const char* reason = nullptr;
    if (stat(path.c_str(), &status) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(status.st_mode))
        reason = "not a regular file";
    else if (FILE* file = std::fopen(path.c_str(), "rb"))
        std::fclose(file);
    else
        reason = std::strerror(errno);
    if (!reason) return mapPath = path;
    std::fprintf(stderr, demCannotOpenMessage, printable(path).c_str());
    std::fprintf(stderr, ": %s\n", reason);
    if (!commandLine.fileGiven)
        std::fprintf(stderr,
                     "The default map is looked for in the working directory, then in %s and "
                     "%s; or name a map: terrains FILE (terrains --help)\n",
                     printable(stagedDataDirectory()).c_str(),
                     printable(installedDataDirectory()).c_str());
    std::exit(1);
}

namespace {

// --texturing overrides the start-up choice; the shaders only where they run.
void chooseStartingAlgorithm() {
    switch (commandLine.texturing) {
    case CommandLine::Texturing::Default:
        break;
    case CommandLine::Texturing::Basic:
        currentAlgorithm = basicAlgorithm;
        break;
    case CommandLine::Texturing::Multi:
        currentAlgorithm = multitexturingAlgorithm;
        break;
    case CommandLine::Texturing::Grid:
        currentAlgorithm = triGridAlgorithm;
        break;
    case CommandLine::Texturing::Shader:
        if (!shaderAlgorithm->shadersSupported)
            std::cerr << "The shader texturing needs OpenGL 2.0: starting with the basic one\n";
        break;
    }
}

} // namespace

void initScene() {
    glewInit(); // note: the result is ignored; missing features are tested where they are used

    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHT0);
    glClearColor(0, 0, 0, 0);

    if (mapPath.empty()) findMapFile(); // main has looked for it before the window opened
    heightMap = loadHeightMap(mapPath, commandLine.fit); // one that cannot be read ends the process

    // The tri-grid texture comes first: it leaves unit 0's environment at GL_REPLACE, which the
    // colour textures then rely on.
    triGridAlgorithm = new TriGridTexturingAlgorithm();
    basicAlgorithm = new BasicTexturingAlgorithm(heightMap);
    multitexturingAlgorithm = new MultitexturingAlgorithm(heightMap);
    currentAlgorithm = basicAlgorithm;

    camera = new Camera(heightMap);
    const Vector3D start =
        startPosition(*heightMap, Roam::meshSide(heightMap->width, heightMap->length));
    camera->setPosition(start.x, start.y, start.z);

    // The renderer meshes the registry's height map for the camera and draws with the current
    // algorithm; it owns neither. A map too small or too large to mesh ends the process, as an
    // unreadable one does.
    try {
        renderer = new Roam(*camera, *heightMap, currentAlgorithm);
    } catch (const std::invalid_argument& error) {
        std::cerr << error.what() << std::endl;
        std::exit(1);
    }

    const int extent = renderer->gridSize - 1;
    shaderAlgorithm = new ShaderTexturingAlgorithm(heightMap, extent, extent);
    if (shaderAlgorithm->shadersSupported) {
        currentAlgorithm = shaderAlgorithm;
        shaderAlgorithm->setup();
    }
    chooseStartingAlgorithm();
    applyTexturingAlgorithm();
}

void applyTexturingAlgorithm() {
    if (!renderer || !renderer->texturing) return;
    renderer->texturing->disable();
    renderer->texturing = currentAlgorithm;
    currentAlgorithm->enable();
}
