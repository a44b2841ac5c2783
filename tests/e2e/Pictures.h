#pragma once

#include "support/AppRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// What a person sees in a screenshot of the terrain, below the overlay's text.
namespace pictures {

constexpr int kBelowOverlay = 90;
constexpr Region kTerrain{0, kBelowOverlay};

inline double luminance(const unsigned char* p) {
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// The share of the region's pixels that pass the test.
template <typename Test> double fraction(const Screenshot& shot, Test test, Region r = kTerrain) {
    long count = 0, total = 0;
    for (int y = r.y0; y < std::min(r.y1, shot.height); ++y)
        for (int x = r.x0; x < std::min(r.x1, shot.width); ++x, ++total)
            count += test(shot.at(x, y));
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

inline bool bluish(const unsigned char* p) {
    return p[2] > p[0] + 30 && p[2] > p[1] + 10;
}
inline bool grey(const unsigned char* p) {
    return std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) < 12;
}
inline bool snowy(const unsigned char* p) {
    const int low = std::min({p[0], p[1], p[2]}), high = std::max({p[0], p[1], p[2]});
    return low > 150 && high - low < 40;
}

// Waits for a frame drawn after now: only a new frame changes a pixel, the frame-rate line at
// least.
inline bool waitForNextFrame(AppRun& app) {
    return app.waitForChange(app.screenshot(), 0.0);
}

// The picture a key gives (settled, for the algorithms that hold still), saved as `name`. The
// first new frame may have begun before the key was read; the second began after.
inline Screenshot press(AppRun& app, const char* key, const std::string& name,
                        bool settle = false) {
    app.key(key);
    EXPECT_TRUE(waitForNextFrame(app) && waitForNextFrame(app));
    Screenshot shot = app.screenshot();
    EXPECT_TRUE(!settle || app.waitForStable(shot, kTerrain));
    shot.save(name);
    return shot;
}

} // namespace pictures
