// Start-up cost of the textures: painting the 1024 x 1024 procedural colour texture over the
// default island (beside the texel formula taken literally, the peer that shows what the
// precomputed column and tile tables buy), and decoding each default texture file from memory.
// Goal: under 15 ms per procedural texture; the program paints two at start-up.

#include "terrain/DEMHeightMap.h"
#include "texture/Image.h"
#include "texture/ProceduralTexture.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kData = TERRAINS_SOURCE_DIR "/data/";

const char* const kTextureFiles[] = {
    "textures/water.bmp",     "textures/lowestTile.tga", "textures/lowTile.tga",
    "textures/highTile.tga",  "textures/snow.bmp",       "textures/detailMap.tga",
    "textures/water.tga",     "textures/beach_tile.tga", "textures/grass_tile.tga",
    "textures/snow_tile.tga",
};

struct Island {
    DEMHeightMap map{(kData + "hawaii-c").c_str(), false};
    ColourTiles tiles;
    TexelBands bands;

    Island() {
        for (int l = 0; l < kTileCount; ++l) tiles[l] = loadImage((kData + kTilePaths[l]).c_str());
        bands = makeBands(map.maxHeight);
    }
};

const Island& island() {
    static const Island instance;
    return instance;
}

void literalTexels(const HeightMap& map, const TexelBands& bands, const ColourTiles& tiles,
                   unsigned char* texels) {
    for (int j = 0; j < kProceduralSize; ++j) {
        for (int i = 0; i < kProceduralSize; ++i) {
            const float h = sampleHeight(map, i, j);
            float sums[3] = {0, 0, 0};
            for (int l = 0; l < kTileCount; ++l) {
                const float w = bandWeight(bands, l, h);
                const Image& tile = tiles[l];
                const size_t at = (size_t(j % tile.height) * tile.width + i % tile.width) *
                                  (tile.bitsPerPixel / 8);
                for (int c = 0; c < 3; ++c) sums[c] += w * float(tile.pixels[at + c]);
            }
            unsigned char* texel = &texels[(size_t(j) * kProceduralSize + i) * 3];
            for (int c = 0; c < 3; ++c) texel[c] = static_cast<unsigned char>(int(sums[c]) & 0xff);
        }
    }
}

using PaintTexels = decltype(&paintTexels);

void proceduralTexture(benchmark::State& state, PaintTexels paint) {
    const Island& s = island();
    std::vector<unsigned char> texels(size_t(kProceduralSize) * kProceduralSize * 3);
    for (auto _ : state) {
        paint(s.map, s.bands, s.tiles, texels.data());
        benchmark::DoNotOptimize(texels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(proceduralTexture, shipped, paintTexels)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(proceduralTexture, literal, literalTexels)->Unit(benchmark::kMillisecond);

void decodeTexture(benchmark::State& state) {
    const std::string path = kData + kTextureFiles[state.range(0)];
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    state.SetLabel(kTextureFiles[state.range(0)]);
    for (auto _ : state) {
        Image image;
        if (!decodeImage(bytes.data(), bytes.size(), image)) state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(decodeTexture)->DenseRange(0, 9)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
