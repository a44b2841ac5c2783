#pragma once

#include "texture/Image.h"
#include "texture/Texture.h"

#include <array>
#include <vector>

class HeightMap;

// A height band of one colour tile, in height units: the tile's weight rises from `low` to 1 at
// `peak` and falls back to 0 at `high`.
struct TexelBand {
    float low, peak, high;
};

constexpr int kProceduralSize = 1024; // texels per side
constexpr int kTileCount = 5;

using TexelBands = std::array<TexelBand, kTileCount>;
using ColourTiles = std::array<Image, kTileCount>;

// Tile files by index: water, lowest ground, low ground, high ground, snow.
extern const char* const kTilePaths[kTileCount];

// The whole terrain painted into one 1024 x 1024 RGB texture at start-up: every texel blends the
// five repeating colour tiles with weights that depend only on the height under it. Stretched
// once over the map, t = 0 along map row 0. A tile that does not load aborts the process.
class ProceduralTexture : public Texture {
public:
    explicit ProceduralTexture(const HeightMap* heightMap);

    std::vector<unsigned char> pixels; // kProceduralSize^2 texels, R, G, B, row 0 first
    TexelBands bands{};
    ColourTiles tiles;
    const HeightMap* heightMap; // not owned

    void generate();
    float sampleHeight(int i, int j) const;
    float bandWeight(int index, float h) const;
};

// Bands for the map's maximum height M: water (0, 0, 0), then four bands a quarter of M apart,
// in single precision. M of 4 or less leaves the bands no width; the whole map is then lowland:
// every height but 0 takes the lowest tile alone.
TexelBands makeBands(float maxHeight);

// Weight of tile `index` at height h; only water at exactly 0, and the lowest tile all the way
// down below its peak. Never divides by a zero band width.
float bandWeight(const TexelBands& bands, int index, float h);

// Height under texel column i, row j: the mean of the linear interpolations along the map row
// and along the map column from the same corner sample (not bilinear).
float sampleHeight(const HeightMap& map, int i, int j);

// Fills kProceduralSize^2 RGB texels; each tile must hold pixels (24 or 32 bits).
void paintTexels(const HeightMap& map, const TexelBands& bands, const ColourTiles& tiles,
                 unsigned char* texels);
