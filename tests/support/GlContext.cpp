#include "GlContext.h"

#include "app/FrameLoop.h"
#include "app/Scene.h"

#include <GL/glut.h>
#include <unistd.h>

#include <dlfcn.h>
#include <link.h>

#include <cstring>

void ensureGlContext() {
    static bool created = false;
    if (created) return;
    int argc = 1;
    char name[] = "terrains-test";
    char* argv[] = {name, nullptr};
    openWindow(argc, argv);
    glewInit();
    created = true;
    // Mesa's driver stays loaded at exit so that tests/lsan.supp can name its allocations.
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "/dri/"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

std::vector<GLenum> drainGlErrors() {
    std::vector<GLenum> errors;
    for (GLenum e = glGetError(); e != GL_NO_ERROR && errors.size() < 64; e = glGetError())
        errors.push_back(e);
    return errors;
}

void ensureScene() {
    static bool built = false;
    if (built) return;
    ensureGlContext();
    if (chdir(TERRAINS_RUN_DIR) != 0) FAIL() << "cannot enter " << TERRAINS_RUN_DIR;
    initScene();
    built = true;
}
