#include "terrain/VoidFill.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

const float kVoid = std::numeric_limits<float>::quiet_NaN();

// Rows of a grid from text: digits are heights, '.' a void.
std::vector<float> grid(const std::vector<std::string>& rows) {
    std::vector<float> heights;
    for (const std::string& row : rows)
        for (char c : row) heights.push_back(c == '.' ? kVoid : float(c - '0'));
    return heights;
}

} // namespace

TEST(VoidFill, eachVoidTakesTheMeanOfItsNeighboursKnownBeforeItsLayerAsFarAsAnyValueReaches) {
    std::vector<float> heights = grid({"1234", "5..8", "9..2", "3456"});
    ASSERT_EQ(fillVoids(heights.data(), 4, 4), 4u);
    // (1, 1): 1 2 3 5 9 around it; (1, 2): 2 3 4 8 2; (2, 1): 5 9 3 4 5; (2, 2): 8 2 4 5 6.
    EXPECT_EQ((std::vector<float>{heights[5], heights[6], heights[9], heights[10]}),
              (std::vector<float>{20.0f / 5, 19.0f / 5, 26.0f / 5, 25.0f / 5}));
    // A lone value reaches the far end of a strip.
    std::vector<float> strip = grid({"7....."});
    EXPECT_EQ(fillVoids(strip.data(), 6, 1), 5u);
    EXPECT_EQ(strip, grid({"777777"}));
}
