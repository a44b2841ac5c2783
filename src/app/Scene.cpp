#include "app/Scene.h"

#include "app/Camera.h"
#include "terrain/DEMHeightMap.h"
#include "roam/Roam.h"
#include "texturing/BasicTexturingAlgorithm.h"
#include "texturing/MultitexturingAlgorithm.h"
#include "texturing/ShaderTexturingAlgorithm.h"
#include "texturing/TriGridTexturingAlgorithm.h"

#include <GL/glew.h>

#include <cstdlib>
#include <iostream>
#include <stdexcept>

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

void initScene() {
    glewInit(); // note: the result is ignored; missing features are tested where they are used

    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHT0);
    glClearColor(0, 0, 0, 0);

    heightMap = new DEMHeightMap("hawaii-c", true); // a file that cannot be read ends the process

    // The tri-grid texture comes first: it leaves unit 0's environment at GL_REPLACE, which the
    // colour textures then rely on.
    triGridAlgorithm = new TriGridTexturingAlgorithm();
    basicAlgorithm = new BasicTexturingAlgorithm(heightMap);
    multitexturingAlgorithm = new MultitexturingAlgorithm(heightMap);
    currentAlgorithm = basicAlgorithm;

    camera = new Camera(heightMap);
    const Vector3D start = startPosition(*heightMap);
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
    applyTexturingAlgorithm();
}

void applyTexturingAlgorithm() {
    if (!renderer || !renderer->texturing) return;
    renderer->texturing->disable();
    renderer->texturing = currentAlgorithm;
    currentAlgorithm->enable();
}
