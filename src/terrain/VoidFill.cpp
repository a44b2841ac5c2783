#include "terrain/VoidFill.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

enum SampleState : uint8_t { Known = 0, Void = 1, Scheduled = 2 };

} // namespace

// note: layer by layer, like a distance transform: a layer's values are computed from what was
// known before it, then written together, so the result does not depend on the scan order.
std::size_t fillVoids(float* heights, int width, int length) {
    const std::size_t count = std::size_t(width) * std::size_t(length);
    std::size_t voids = 0;
    for (std::size_t i = 0; i < count; ++i) voids += std::isnan(heights[i]);
    if (voids == 0 || voids == count) return voids;
    assert(count <= UINT32_MAX && "sample indices are 32-bit");

    std::vector<uint8_t> state(count, Known);
    for (std::size_t i = 0; i < count; ++i)
        if (std::isnan(heights[i])) state[i] = Void;

    // Calls visit(index) for each of the eight neighbours of (r, c) inside the grid.
    const auto forNeighbours = [&](int r, int c, auto&& visit) {
        for (int dr = -1; dr <= 1; ++dr) {
            const int nr = r + dr;
            if (nr < 0 || nr >= length) continue;
            for (int dc = -1; dc <= 1; ++dc) {
                const int nc = c + dc;
                if ((dr | dc) == 0 || nc < 0 || nc >= width) continue;
                visit(std::size_t(nr) * std::size_t(width) + std::size_t(nc));
            }
        }
    };

    std::vector<uint32_t> layer, next;
    for (std::size_t i = 0; i < count; ++i) {
        if (state[i] != Void) continue;
        bool touchesKnown = false;
        forNeighbours(int(i / std::size_t(width)), int(i % std::size_t(width)),
                      [&](std::size_t n) { touchesKnown |= state[n] == Known; });
        if (touchesKnown) {
            state[i] = Scheduled;
            layer.push_back(uint32_t(i));
        }
    }

    std::vector<float> values;
    while (!layer.empty()) {
        values.resize(layer.size());
        for (std::size_t k = 0; k < layer.size(); ++k) {
            const std::size_t i = layer[k];
            double sum = 0;
            int known = 0;
            forNeighbours(int(i / std::size_t(width)), int(i % std::size_t(width)),
                          [&](std::size_t n) {
                              if (state[n] != Known) return;
                              sum += heights[n];
                              ++known;
                          });
            values[k] = float(sum / known);
        }
        next.clear();
        for (std::size_t k = 0; k < layer.size(); ++k) {
            heights[layer[k]] = values[k];
            state[layer[k]] = Known;
        }
        for (const uint32_t i : layer)
            forNeighbours(int(i / uint32_t(width)), int(i % uint32_t(width)), [&](std::size_t n) {
                if (state[n] != Void) return;
                state[n] = Scheduled;
                next.push_back(uint32_t(n));
            });
        layer.swap(next);
    }
    return voids;
}
