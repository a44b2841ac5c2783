#include "terrain/MapFit.h"

#include "app/Printable.h"
#include "terrain/GDALLibrary.h"
#include "terrain/HeightMap.h"
#include "terrain/ReportText.h"

#include <cstdio>
#include <new>
#include <utility>
#include <vector>

namespace {

const char* const resampledMessage =
    "Resampled width=%d, length=%d to width=%d, length=%d (bilinear) to mesh the whole map\n";
const char* const noGDALMessage = "Can't resample the map: GDAL cannot be loaded: %s\n";
const char* const failedMessage = "Can't resample the map from %d x %d to %d x %d samples: %s\n";

} // namespace

int fitSide(int width, int length) {
    const int side = width > length ? width : length;
    int n = 3;
    while (n < side && n < kLargestFitSide) n = 2 * n - 1;
    return n;
}

// note: bilinear, not cubic: a bilinear sample lies between its neighbours, so the resampled map
// keeps the range it was read with (its maxHeight, the height texture's scale, the coast at
// sea level); cubic rings past steep edges, a cliff coast dipping below the sea beside it.
MapFit fitToMesh(HeightMap& map) {
    MapFit result;
    const int width = map.width, length = map.length, n = fitSide(width, length);
    if (width == n && length == n) {
        result.ok = true;
        return result;
    }
    auto failed = [&](const std::string& reason) {
        result.error = formatted(failedMessage, width, length, n, n, printable(reason).c_str());
        return result;
    };

    std::string reason;
    const GDALLibrary* gdalLoaded = gdalLibrary(reason);
    if (!gdalLoaded) {
        result.error = formatted(noGDALMessage, printable(reason).c_str());
        return result;
    }
    const GDALLibrary& gdal = *gdalLoaded;
    const GDALQuiet quiet(gdal);

    // The heights, as they are in memory, seen by GDAL as a one-band raster.
    GDALDriverH memory = gdal.GDALGetDriverByName("MEM");
    GDALDatasetH source =
        memory ? gdal.GDALCreate(memory, "", width, length, 0, GDT_Float32, nullptr) : nullptr;
    if (!source) return failed(quiet.lastMessage("GDAL has no in-memory rasters"));
    char pointer[64], lineOffset[64];
    std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%p",
                  static_cast<void*>(map.heights.data()));
    std::snprintf(lineOffset, sizeof lineOffset, "LINEOFFSET=%zu", size_t(width) * sizeof(float));
    char* options[] = {pointer, const_cast<char*>("PIXELOFFSET=4"), lineOffset, nullptr};
    if (gdal.GDALAddBand(source, GDT_Float32, options) != CE_None) {
        gdal.GDALClose(source);
        return failed(quiet.lastMessage("the heights cannot be wrapped"));
    }

    std::vector<float> resampled;
    try {
        resampled.resize(size_t(n) * size_t(n));
    } catch (const std::bad_alloc&) {
        gdal.GDALClose(source);
        return failed("not enough memory");
    }
    GDALRasterIOExtraArg resampling;
    INIT_RASTERIO_EXTRA_ARG(resampling);
    resampling.eResampleAlg = GRIORA_Bilinear;
    const CPLErr read =
        gdal.GDALRasterIOEx(gdal.GDALGetRasterBand(source, 1), GF_Read, 0, 0, width, length,
                            resampled.data(), n, n, GDT_Float32, 0, 0, &resampling);
    const std::string message = quiet.lastMessage("the resampling failed");
    gdal.GDALClose(source);
    if (read != CE_None) return failed(message);

    map.heights = std::move(resampled);
    std::vector<float>().swap(map.normals);
    map.width = n;
    map.length = n;
    result.report = formatted(resampledMessage, width, length, n, n);
    result.ok = true;
    return result;
}
