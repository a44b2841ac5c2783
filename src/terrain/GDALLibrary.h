#pragma once

#include <cpl_error.h>
#include <gdal.h>

#include <string>

// The entry points of GDAL's C API that the raster reader and the resampling call.
#define TERRAINS_GDAL_FUNCTIONS(F)                                                                 \
    F(GDALAllRegister)                                                                             \
    F(GDALOpenEx)                                                                                  \
    F(GDALClose)                                                                                   \
    F(GDALGetOpenDatasets)                                                                         \
    F(GDALGetDatasetDriver)                                                                        \
    F(GDALGetDriverLongName)                                                                       \
    F(GDALGetDriverByName)                                                                         \
    F(GDALGetRasterXSize)                                                                          \
    F(GDALGetRasterYSize)                                                                          \
    F(GDALGetRasterCount)                                                                          \
    F(GDALGetRasterBand)                                                                           \
    F(GDALGetGeoTransform)                                                                         \
    F(GDALGetRasterNoDataValue)                                                                    \
    F(GDALGetRasterScale)                                                                          \
    F(GDALGetRasterOffset)                                                                         \
    F(GDALRasterIO)                                                                                \
    F(GDALRasterIOEx)                                                                              \
    F(GDALCreate)                                                                                  \
    F(GDALAddBand)                                                                                 \
    F(CPLPushErrorHandler)                                                                         \
    F(CPLPopErrorHandler)                                                                          \
    F(CPLQuietErrorHandler)                                                                        \
    F(CPLErrorReset)                                                                               \
    F(CPLGetLastErrorMsg)

// GDAL, loaded on first use with its drivers registered. note: not linked: libgdal and the
// hundred-odd libraries it needs add 40 ms of dynamic loading to every start, and the default
// map, a USGS DEM, never needs them.
struct GDALLibrary {
#define TERRAINS_GDAL_ENTRY(name) decltype(&::name) name;
    TERRAINS_GDAL_FUNCTIONS(TERRAINS_GDAL_ENTRY)
#undef TERRAINS_GDAL_ENTRY
};

// The library, or null when it cannot be loaded; `error` then says why.
const GDALLibrary* gdalLibrary(std::string& error);

// Silences GDAL's own printing for its lifetime: the reader reports GDAL's last message itself.
class GDALQuiet {
public:
    explicit GDALQuiet(const GDALLibrary& gdal) : gdal_(gdal) {
        gdal_.CPLPushErrorHandler(gdal_.CPLQuietErrorHandler);
        gdal_.CPLErrorReset();
    }
    ~GDALQuiet() { gdal_.CPLPopErrorHandler(); }
    GDALQuiet(const GDALQuiet&) = delete;
    GDALQuiet& operator=(const GDALQuiet&) = delete;

    // GDAL's last error message, or `otherwise` when it left none.
    std::string lastMessage(const char* otherwise) const {
        const char* message = gdal_.CPLGetLastErrorMsg();
        return message && *message ? message : otherwise;
    }

private:
    const GDALLibrary& gdal_;
};
