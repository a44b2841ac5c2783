#pragma once

#include "support/AppRun.h"

#include <algorithm>
#include <cmath>
#include <functional>

// What a person sees in a screenshot, measured over a region of it.
namespace pictures {

// The overlay's text fills the top-left corner; the frame rate line changes once a second.
constexpr int kBelowOverlay = 90;

inline double luminance(const unsigned char* p) {
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// The share of the region's pixels that pass the test.
inline double fraction(const Screenshot& shot,
                       const std::function<bool(const unsigned char*)>& test,
                       int y0 = kBelowOverlay) {
    long count = 0, total = 0;
    for (int y = y0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x, ++total) count += test(shot.at(x, y));
    return total ? double(count) / total : 0;
}

// Fine structure: the mean luminance step between horizontal neighbours, over non-black pixels.
inline double fineStructure(const Screenshot& shot, int y0 = kBelowOverlay) {
    double sum = 0;
    long count = 0;
    for (int y = y0; y < shot.height; ++y)
        for (int x = 0; x + 1 < shot.width; ++x) {
            const unsigned char *a = shot.at(x, y), *b = shot.at(x + 1, y);
            if (luminance(a) < 8 || luminance(b) < 8) continue; // the sky and the terrain's edge
            sum += std::fabs(luminance(a) - luminance(b));
            ++count;
        }
    return count ? sum / count : 0;
}

// Broad shading: the spread of luminance between 16 x 16 blocks of terrain, block means only.
inline double shadingSpread(const Screenshot& shot, int y0 = kBelowOverlay) {
    double sum = 0, sumSquares = 0;
    long blocks = 0;
    for (int by = y0; by + 16 <= shot.height; by += 16)
        for (int bx = 0; bx + 16 <= shot.width; bx += 16) {
            double mean = 0;
            bool terrain = true;
            for (int y = by; y < by + 16 && terrain; ++y)
                for (int x = bx; x < bx + 16; ++x) {
                    const double l = luminance(shot.at(x, y));
                    if (l < 8) terrain = false;
                    mean += l;
                }
            if (!terrain) continue;
            mean /= 256;
            sum += mean;
            sumSquares += mean * mean;
            ++blocks;
        }
    if (blocks < 2) return 0;
    const double average = sum / blocks;
    return std::sqrt(std::max(0.0, sumSquares / blocks - average * average));
}

inline bool bluish(const unsigned char* p) {
    return p[2] > p[0] + 30 && p[2] > p[1] + 10;
}
inline bool greenish(const unsigned char* p) {
    return p[1] > p[0] + 15 && p[1] > p[2] + 15;
}
inline bool snowy(const unsigned char* p) {
    const int low = std::min({p[0], p[1], p[2]}), high = std::max({p[0], p[1], p[2]});
    return low > 150 && high - low < 40;
}

// Waits until a frame drawn after now has reached the screen: the frame-rate line changes once
// a second, and only a new frame can change it.
inline bool waitForNextFrame(AppRun& app) {
    const Screenshot before = app.screenshot();
    return app.waitForChange(before, 0.3, 30, 0, 6, 130, 20);
}

} // namespace pictures
