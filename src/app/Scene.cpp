#include "app/Scene.h"

#include "app/Camera.h"
#include "terrain/DEMHeightMap.h"
#include "roam/TerrainRenderer.h"
#include "texturing/TexturingAlgorithm.h"

#include <GL/glew.h>

int windowWidth = 900;
int windowHeight = 600;
HeightMap* heightMap = nullptr;
Camera* camera = nullptr;
TerrainRenderer* renderer = nullptr;
TexturingAlgorithm* currentAlgorithm = nullptr;

void initScene() {
    glewInit(); // note: the result is ignored; missing features are tested where they are used

    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHT0);
    glClearColor(0, 0, 0, 0);

    heightMap = new DEMHeightMap("hawaii-c", true); // a file that cannot be read ends the process

    camera = new Camera(heightMap);
    if (heightMap) {
        const Vector3D start = startPosition(*heightMap);
        camera->setPosition(start.x, start.y, start.z);
    }
}

void applyTexturingAlgorithm() {
    if (!renderer || !renderer->texturing) return;
    renderer->texturing->disable();
    renderer->texturing = currentAlgorithm;
    currentAlgorithm->enable();
}
