// The extremes of y - s*x over a set of points, for slopes chosen after the
// points came (the delay factor's buffer, PCR accuracy): worked out by hand
// over the points themselves.
#include <gtest/gtest.h>

#include "pass/network/hull.hpp"

namespace ostrel {
namespace {

TEST(Hull, ExtremesOfEverySlope)
{
    // (0,0) (1,2) (2,1) (3,3), then a rise at x = 4 from 1 to 5.
    Hull h;
    hull_add(h, 0, 0);
    hull_add(h, 1, 2);
    hull_add(h, 2, 1);
    hull_add(h, 3, 3);
    hull_add_step(h, 4, 1, 5);
    struct Case {
        double slope, max, min;
    };
    // y - s*x at the five x: with the rise, 5 - 4s bounds the maximum and 1 - 4s the minimum.
    const Case cases[] = {
        {0, 5, 0},      // 0, 2, 1, 3 | 1..5
        {1, 1, -3},     // 0, 1, -1, 0 | -3..1
        {2, 0, -7},     // 0, 0, -3, -3 | -7..-3
        {-1, 9, 0},     // 0, 3, 3, 6 | 5..9
        {0.5, 3, -1},   // 0, 1.5, 0, 1.5 | -1..3
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(hull_max(h, c.slope), c.max) << c.slope;
        EXPECT_DOUBLE_EQ(hull_min(h, c.slope), c.min) << c.slope;
    }
}

TEST(Hull, PointsOnALineKeepFewVertices)
{
    Hull h;
    for (int k = 0; k < 10000; ++k)
        hull_add(h, k, 2.0 * k + (k % 2 ? 0.5 : 0));  // a line with a ripple of 0.5
    EXPECT_DOUBLE_EQ(hull_max(h, 2), 0.5);
    EXPECT_DOUBLE_EQ(hull_min(h, 2), 0);
    EXPECT_LE(h.upper.size() + h.lower.size(), 8u);
    EXPECT_DOUBLE_EQ(hull_max(Hull{}, 1), 0);  // no points
}

}  // namespace
}  // namespace ostrel
