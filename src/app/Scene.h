#pragma once

#include "app/CommandLine.h"

#include <string>

class Camera;
class HeightMap;
class Roam;
class ShaderTexturingAlgorithm;
class TexturingAlgorithm;

// The scene registry: process-wide objects built once by initScene and never destroyed.
// An entry stays null until the object it names is built.
extern CommandLine commandLine; // read by initScene: the map, --fit, the starting texturing
extern int windowWidth;
extern int windowHeight;
extern HeightMap* heightMap;
extern Camera* camera;
extern Roam* renderer; // the overlay and the keys read and tune its fields
extern TexturingAlgorithm* basicAlgorithm;
extern TexturingAlgorithm* multitexturingAlgorithm;
extern ShaderTexturingAlgorithm* shaderAlgorithm; // the keys and idle tune its parameters
extern TexturingAlgorithm* triGridAlgorithm;
extern TexturingAlgorithm* currentAlgorithm; // the user's choice; renderer->texturing is in force

// The map file to read: the user's as given, or the default one among the data files, kept in
// mapPath. One that cannot be read ends the process with status 1 and the reason.
extern std::string mapPath;
std::string findMapFile();

// Builds the scene; needs the window's GL context to be current.
void initScene();

// Makes the renderer draw with currentAlgorithm: disable the old, store, enable the new.
void applyTexturingAlgorithm();
