#pragma once

#include "support/AppRun.h"

#include <algorithm>
#include <cmath>

// What a person sees in a screenshot of the terrain, below the overlay's text.
namespace pictures {

constexpr int kBelowOverlay = 90;
constexpr Region kTerrain{0, kBelowOverlay};

inline double luminance(const unsigned char* p) {
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// The share of terrain pixels that pass the test.
template <typename Test> double fraction(const Screenshot& shot, Test test) {
    long count = 0, total = 0;
    for (int y = kBelowOverlay; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x, ++total) count += test(shot.at(x, y));
    return total ? double(count) / total : 0;
}

// Fine structure: the mean luminance step between horizontal neighbours, sky left out.
inline double fineStructure(const Screenshot& shot) {
    double sum = 0;
    long count = 0;
    for (int y = kBelowOverlay; y < shot.height; ++y)
        for (int x = 0; x + 1 < shot.width; ++x) {
            const double a = luminance(shot.at(x, y)), b = luminance(shot.at(x + 1, y));
            if (a < 8 || b < 8) continue;
            sum += std::fabs(a - b);
            ++count;
        }
    return count ? sum / count : 0;
}

// Broad shading: the spread of the mean luminance of 16 x 16 blocks of terrain.
inline double shadingSpread(const Screenshot& shot) {
    double sum = 0, sumSquares = 0;
    long blocks = 0;
    for (int by = kBelowOverlay; by + 16 <= shot.height; by += 16)
        for (int bx = 0; bx + 16 <= shot.width; bx += 16) {
            double mean = 0, darkest = 255;
            for (int y = by; y < by + 16; ++y)
                for (int x = bx; x < bx + 16; ++x) {
                    mean += luminance(shot.at(x, y)) / 256;
                    darkest = std::min(darkest, luminance(shot.at(x, y)));
                }
            if (darkest < 8) continue; // sky
            sum += mean;
            sumSquares += mean * mean;
            ++blocks;
        }
    return blocks > 1 ? std::sqrt(std::max(0.0, sumSquares / blocks - sum * sum / blocks / blocks))
                      : 0;
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

// Waits for a frame drawn after now. Only a new frame changes a pixel, and one does at least
// once a second: the frame-rate line.
inline bool waitForNextFrame(AppRun& app) {
    return app.waitForChange(app.screenshot(), 0.0);
}

// Waits for a frame that shows what the last key did. The first new frame may have been under way
// before the program read the key; the one after it began after.
inline bool waitForFrameAfterKey(AppRun& app) {
    return waitForNextFrame(app) && waitForNextFrame(app);
}

} // namespace pictures
