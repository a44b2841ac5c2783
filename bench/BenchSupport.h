#pragma once

// What the benchmarks share: quiet start-up steps, the default map, the program's start camera.
#include "app/Camera.h"
#include "roam/Roam.h"
#include "terrain/DEMHeightMap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

// Standard output (and standard error, when asked) goes to /dev/null while the loader and the
// scene print their reports: they are not part of the results.
class Silenced {
public:
    explicit Silenced(bool errorsToo = false) : errorsToo_(errorsToo) {
        std::fflush(stdout);
        savedOut_ = dup(1);
        savedErr_ = errorsToo ? dup(2) : -1;
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        if (errorsToo) dup2(null, 2);
        close(null);
    }
    ~Silenced() {
        std::fflush(stdout);
        dup2(savedOut_, 1);
        close(savedOut_);
        if (errorsToo_) dup2(savedErr_, 2), close(savedErr_);
    }
    Silenced(const Silenced&) = delete;
    Silenced& operator=(const Silenced&) = delete;

private:
    bool errorsToo_;
    int savedOut_, savedErr_;
};

// The default map with its normals, loaded once.
inline const HeightMap& defaultMap() {
    static const HeightMap* map = [] {
        Silenced silenced;
        return new DEMHeightMap(TERRAINS_SOURCE_DIR "/data/hawaii-c", true);
    }();
    return *map;
}

inline Camera startCamera(const HeightMap& map) {
    Camera camera(&map);
    const Vector3D start = startPosition(map, Roam::meshSide(map.width, map.length));
    camera.setPosition(start.x, start.y, start.z);
    return camera;
}
