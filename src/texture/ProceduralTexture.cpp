#include "texture/ProceduralTexture.h"

#include "terrain/HeightMap.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <limits>

const char* const kTilePaths[kTileCount] = {
    "textures/water.bmp",    "textures/lowestTile.tga", "textures/lowTile.tga",
    "textures/highTile.tga", "textures/snow.bmp",
};

namespace {

const float kTexelScale = 1.0f / kProceduralSize;

// Where texel index t falls on a map axis of `count` samples.
struct AxisSample {
    int index;      // the corner sample, x truncated
    float fraction; // x - index
    bool hasNext;   // whether sample index + 1 exists
};

AxisSample axisSample(int t, int count) {
    const float step = float(count) * kTexelScale;
    const float x = float(t) * step;
    const int index = int(x);
    return {index, x - float(index), index + 1 < count};
}

float sampleAt(const float* row, const float* nextRow, const AxisSample& column,
               const AxisSample& rowSample) {
    const float h0 = row[column.index];
    float a = h0;
    if (column.hasNext) {
        const float rise = row[column.index + 1] - h0;
        const float part = rise * column.fraction;
        a = h0 + part;
    }
    float b = h0;
    if (rowSample.hasNext) {
        const float rise = nextRow[column.index] - h0;
        const float part = rise * rowSample.fraction;
        b = h0 + part;
    }
    const float sum = a + b;
    return sum * 0.5f;
}

bool usableTile(const Image& tile) {
    return !tile.failed && tile.width > 0 && tile.height > 0 &&
           (tile.bitsPerPixel == 24 || tile.bitsPerPixel == 32) &&
           tile.pixels.size() == size_t(tile.width) * tile.height * (tile.bitsPerPixel / 8);
}

unsigned char lowByte(float sum) {
    return static_cast<unsigned char>(static_cast<int>(sum) & 0xff);
}

} // namespace

TexelBands makeBands(float maxHeight) {
    TexelBands bands{};
    if (!(maxHeight > 4)) {
        const float everywhere = std::numeric_limits<float>::max();
        bands[1] = {0, everywhere, everywhere};
        for (int k = 2; k < kTileCount; ++k) bands[k] = {everywhere, everywhere, everywhere};
        return bands;
    }
    const float quarter = maxHeight * 0.25f;
    const float firstPeak = quarter - 1.0f;
    const float firstWidth = firstPeak - 0.0f;
    bands[1] = {0, firstPeak, firstPeak + firstWidth};
    for (int k = 2; k < kTileCount; ++k) {
        const TexelBand& previous = bands[k - 1];
        const float low = previous.peak + 1.0f;
        const float peak = previous.peak + quarter;
        const float width = peak - low;
        bands[k] = {low, peak, peak + width};
    }
    return bands;
}

float bandWeight(const TexelBands& bands, int index, float h) {
    if (h == 0) return index == 0 ? 1.0f : 0.0f;
    if (index == 1 && h < bands[1].peak) return 1.0f;
    const TexelBand& band = bands[index];
    if (h < band.low || h > band.high) return 0.0f;
    // note: each quotient is reached only when its interval holds h, so its divisor is positive.
    if (h < band.peak) {
        const float rise = h - band.low;
        const float width = band.peak - band.low;
        return rise / width;
    }
    if (h == band.peak) return 1.0f;
    const float fall = band.high - h;
    const float width = band.high - band.peak;
    return fall / width;
}

float sampleHeight(const HeightMap& map, int i, int j) {
    const AxisSample column = axisSample(i, map.width);
    const AxisSample row = axisSample(j, map.length);
    const float* heights = map.heights.data() + size_t(row.index) * map.width;
    return sampleAt(heights, heights + map.width, column, row);
}

void paintTexels(const HeightMap& map, const TexelBands& bands, const ColourTiles& tiles,
                 unsigned char* texels) {
    assert(map.width > 0 && map.length > 0 && "the map has samples");
    assert(std::all_of(tiles.begin(), tiles.end(), usableTile) &&
           "tiles come from the reader, which rejects empty images");
    // Everything that depends on the column alone, worked out once.
    std::vector<AxisSample> columns(kProceduralSize);
    for (int i = 0; i < kProceduralSize; ++i) columns[i] = axisSample(i, map.width);
    std::vector<unsigned> tileColumnBytes(size_t(kTileCount) * kProceduralSize);
    for (int l = 0; l < kTileCount; ++l) {
        const Image& tile = tiles[l];
        for (int i = 0; i < kProceduralSize; ++i)
            tileColumnBytes[size_t(l) * kProceduralSize + i] =
                unsigned(i % tile.width) * unsigned(tile.bitsPerPixel / 8);
    }

    for (int j = 0; j < kProceduralSize; ++j) {
        const AxisSample row = axisSample(j, map.length);
        const float* heights = map.heights.data() + size_t(row.index) * map.width;
        const unsigned char* tileRows[kTileCount];
        for (int l = 0; l < kTileCount; ++l) {
            const Image& tile = tiles[l];
            const size_t rowBytes = size_t(tile.width) * (tile.bitsPerPixel / 8);
            tileRows[l] = tile.pixels.data() + size_t(j % tile.height) * rowBytes;
        }
        unsigned char* out = texels + size_t(j) * kProceduralSize * 3;
        for (int i = 0; i < kProceduralSize; ++i) {
            const float h = sampleAt(heights, heights + map.width, columns[i], row);
            unsigned char* texel = out + i * 3;
            if (h == 0) {
                // Water alone at weight 1: its pixel, unchanged by the sums.
                const unsigned char* p = tileRows[0] + tileColumnBytes[i];
                texel[0] = p[0];
                texel[1] = p[1];
                texel[2] = p[2];
                continue;
            }
            // Water weighs 0 anywhere else.
            float red = 0, green = 0, blue = 0;
            for (int l = 1; l < kTileCount; ++l) {
                const float w = bandWeight(bands, l, h);
                // note: skipping a zero weight adds +0 less, which changes no sum.
                if (w == 0) continue;
                const unsigned char* p =
                    tileRows[l] + tileColumnBytes[size_t(l) * kProceduralSize + i];
                const float r = w * float(p[0]);
                const float g = w * float(p[1]);
                const float b = w * float(p[2]);
                red += r;
                green += g;
                blue += b;
            }
            texel[0] = lowByte(red);
            texel[1] = lowByte(green);
            texel[2] = lowByte(blue);
        }
    }
}

ProceduralTexture::ProceduralTexture(const HeightMap* heightMap)
    : pixels(size_t(kProceduralSize) * kProceduralSize * 3), heightMap(heightMap) {
    generate();
}

void ProceduralTexture::generate() {
    for (int l = kTileCount - 1; l >= 0; --l) {
        tiles[l] = loadImage(kTilePaths[l]);
        // The reader has said why (it rejects empty images too); there is no fallback colour.
        if (!usableTile(tiles[l])) std::abort();
    }
    bands = makeBands(heightMap->maxHeight);
    paintTexels(*heightMap, bands, tiles, pixels.data());

    uploadLinear(GL_RGB, kProceduralSize, kProceduralSize, pixels.data());
}

float ProceduralTexture::sampleHeight(int i, int j) const {
    return ::sampleHeight(*heightMap, i, j);
}

float ProceduralTexture::bandWeight(int index, float h) const {
    return ::bandWeight(bands, index, h);
}
