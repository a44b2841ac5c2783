#include "terrain/GDALHeightMap.h"

#include "app/Printable.h"
#include "terrain/DEMHeightMap.h"
#include "terrain/GDALLibrary.h"
#include "terrain/VoidFill.h"
#include "terrain/ReportText.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace {

const char* const noGDALMessage = "Can't read \"%s\": it is not a USGS DEM, and GDAL, which reads "
                                  "other rasters, cannot be loaded: %s\n";
const char* const cannotOpenMessage = "Can't open raster file - \"%s\": %s\n";
const char* const noBandMessage = "Can't read raster file - \"%s\": it has no band\n";
const char* const bandUnreadableMessage = "Can't read band 1 of raster file - \"%s\": %s\n";
const char* const gridSizeMessage =
    "Invalid raster file - \"%s\": a grid of %d x %d samples; at least 2 x 2 are needed\n";
const char* const tooLargeMessage = "Not enough memory for a raster of %d x %d samples - \"%s\"\n";
const char* const noElevationMessage =
    "Invalid raster file - \"%s\": every sample of band 1 is no data\n";
const char* const filledMessage = "Filled %zu void samples from their neighbours\n";

class Dataset {
public:
    Dataset(const GDALLibrary& gdal, GDALDatasetH handle) : gdal_(gdal), handle_(handle) {}
    ~Dataset() {
        if (handle_) gdal_.GDALClose(handle_);
    }
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;
    GDALDatasetH get() const { return handle_; }

private:
    const GDALLibrary& gdal_;
    GDALDatasetH handle_;
};

// What marks a sample as holding no elevation, and how a stored value becomes one.
struct SampleRule {
    bool hasNoData = false;
    double noData = 0;
    double scale = 1, offset = 0;
};

// The elevations known so far.
struct ElevationRange {
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    size_t known = 0;
};

// One row of stored values as heights, reversed for a raster stored east to west. A void is
// NaN: the no-data value, NaN, or an elevation beyond any float height.
void convertRow(const double* in, float* out, int width, bool reversed, const SampleRule& rule,
                ElevationRange& range) {
    double lowest = range.lowest, highest = range.highest;
    size_t known = 0;
    const std::ptrdiff_t step = reversed ? -1 : 1;
    float* sample = reversed ? out + width - 1 : out;
    for (int c = 0; c < width; ++c, sample += step) {
        const double value = in[c];
        const double elevation = value * rule.scale + rule.offset;
        const double height = elevation / kElevationsPerHeight;
        if ((rule.hasNoData && value == rule.noData) || !(std::fabs(height) <= FLT_MAX)) {
            *sample = std::numeric_limits<float>::quiet_NaN();
            continue;
        }
        *sample = float(height);
        ++known;
        lowest = elevation < lowest ? elevation : lowest;
        highest = elevation > highest ? elevation : highest;
    }
    range.lowest = lowest;
    range.highest = highest;
    range.known += known;
}

SampleRule sampleRule(const GDALLibrary& gdal, GDALRasterBandH band) {
    SampleRule rule;
    int has = 0;
    rule.noData = gdal.GDALGetRasterNoDataValue(band, &has);
    rule.hasNoData = has != 0 && !std::isnan(rule.noData);
    has = 0;
    const double scale = gdal.GDALGetRasterScale(band, &has);
    if (has && std::isfinite(scale) && scale != 0) rule.scale = scale;
    has = 0;
    const double offset = gdal.GDALGetRasterOffset(band, &has);
    if (has && std::isfinite(offset)) rule.offset = offset;
    return rule;
}

std::string baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

} // namespace

GDALHeightMap::GDALHeightMap(const std::string& fileName, bool generateNormals)
    : fileName(fileName), generateNormals(generateNormals) {
    GDALHeightMap::load();
}

void GDALHeightMap::load() {
    const RasterRead read = readRaster(fileName.c_str(), *this);
    std::fwrite(read.report.data(), 1, read.report.size(), stdout);
    if (!read.ok) {
        std::fflush(stdout);
        std::fputs(read.error.c_str(), stderr);
        std::exit(1);
    }
    if (!generateNormals) return;
    try {
        computeNormals(*this);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, tooLargeMessage, width, length, printable(fileName).c_str());
        std::exit(1);
    }
}

RasterRead readRaster(const char* fileName, HeightMap& map) {
    RasterRead result;
    const std::string name = printable(fileName, std::strlen(fileName));
    std::string reason;
    const GDALLibrary* gdalLoaded = gdalLibrary(reason);
    if (!gdalLoaded) {
        appendf(result.error, noGDALMessage, name.c_str(), printable(reason).c_str());
        return result;
    }
    const GDALLibrary& gdal = *gdalLoaded;
    const GDALQuiet quiet(gdal);

    const Dataset dataset(
        gdal, gdal.GDALOpenEx(fileName, GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                              nullptr, nullptr, nullptr));
    if (!dataset.get()) {
        appendf(result.error, cannotOpenMessage, name.c_str(),
                printable(quiet.lastMessage("not a raster GDAL reads")).c_str());
        return result;
    }
    const char* driver = gdal.GDALGetDriverLongName(gdal.GDALGetDatasetDriver(dataset.get()));
    appendf(result.report, "Name of raster is %s (%s)\n", printable(baseName(fileName)).c_str(),
            printable(driver ? driver : "GDAL").c_str());
    if (gdal.GDALGetRasterCount(dataset.get()) < 1) {
        appendf(result.error, noBandMessage, name.c_str());
        return result;
    }
    GDALRasterBandH band = gdal.GDALGetRasterBand(dataset.get(), 1);
    const int width = gdal.GDALGetRasterXSize(dataset.get());
    const int length = gdal.GDALGetRasterYSize(dataset.get());
    if (width < 2 || length < 2) {
        appendf(result.error, gridSizeMessage, name.c_str(), width, length);
        return result;
    }

    // Row 0 is the northern edge and column 0 the western one: a raster stored south up or
    // east to west is turned round.
    double transform[6];
    const bool georeferenced = gdal.GDALGetGeoTransform(dataset.get(), transform) == CE_None;
    const bool southUp = georeferenced && transform[5] > 0;
    const bool eastToWest = georeferenced && transform[1] < 0;
    const SampleRule rule = sampleRule(gdal, band);

    const size_t count = size_t(width) * size_t(length);
    std::vector<float> heights;
    std::vector<double> rows;
    const int chunkRows = std::max(1, std::min(length, (1 << 20) / width));
    try {
        if (count > UINT32_MAX) throw std::bad_alloc();
        heights.resize(count);
        rows.resize(size_t(chunkRows) * size_t(width));
    } catch (const std::bad_alloc&) {
        appendf(result.error, tooLargeMessage, width, length, name.c_str());
        return result;
    }

    ElevationRange range;
    for (int top = 0; top < length; top += chunkRows) {
        const int rowCount = std::min(chunkRows, length - top);
        if (gdal.GDALRasterIO(band, GF_Read, 0, top, width, rowCount, rows.data(), width, rowCount,
                              GDT_Float64, 0, 0) != CE_None) {
            appendf(result.error, bandUnreadableMessage, name.c_str(),
                    printable(quiet.lastMessage("a read failed")).c_str());
            return result;
        }
        for (int i = 0; i < rowCount; ++i) {
            const int row = southUp ? length - 1 - (top + i) : top + i;
            convertRow(rows.data() + size_t(i) * size_t(width),
                       heights.data() + size_t(row) * size_t(width), width, eastToWest, rule,
                       range);
        }
    }
    if (range.known == 0) {
        appendf(result.error, noElevationMessage, name.c_str());
        return result;
    }

    const int maxElevation = truncateToInt(range.highest);
    appendf(result.report, "maxElevation = %d, minElevation = %d\n", maxElevation,
            truncateToInt(range.lowest));
    appendf(result.report, "width=%d, length=%d\n", width, length);
    if (range.known < count) {
        try {
            fillVoids(heights.data(), width, length);
        } catch (const std::bad_alloc&) {
            appendf(result.error, tooLargeMessage, width, length, name.c_str());
            return result;
        }
        appendf(result.report, filledMessage, count - range.known);
    }

    map.setGrid(width, length, maxElevation, std::move(heights));
    result.ok = true;
    return result;
}
