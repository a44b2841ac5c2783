#include "terrain/GDALLibrary.h"

#include <dlfcn.h>

namespace {

struct LoadedGDAL {
    GDALLibrary library{};
    bool loaded = false;
    std::string error;

    LoadedGDAL() {
        void* handle = dlopen(TERRAINS_GDAL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* reason = dlerror();
            error = reason ? reason : "cannot load " TERRAINS_GDAL_LIBRARY;
            return;
        }
#define TERRAINS_GDAL_RESOLVE(name)                                                                \
    library.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                      \
    if (!library.name) {                                                                           \
        error = TERRAINS_GDAL_LIBRARY " has no " #name;                                            \
        return;                                                                                    \
    }
        TERRAINS_GDAL_FUNCTIONS(TERRAINS_GDAL_RESOLVE)
#undef TERRAINS_GDAL_RESOLVE
        library.GDALAllRegister();
        loaded = true;
        // note: the handle stays open for the life of the process, as GDAL's drivers do.
    }
};

} // namespace

const GDALLibrary* gdalLibrary(std::string& error) {
    static const LoadedGDAL gdal;
    if (!gdal.loaded) error = gdal.error;
    return gdal.loaded ? &gdal.library : nullptr;
}
