// The extremes of y - s*x over a set of points, for any slope s decided
// later: the upper and the lower convex hull of the points, built as they
// come in order of x (a monotone chain). Only hull vertices are kept, which
// for points near a line (a clock against another, bytes against time) are
// few.
#pragma once

#include <vector>

namespace ostrel {

struct HullPoint {
    double x, y;
};

struct Hull {
    std::vector<HullPoint> upper, lower;
};

// Adds a point; `x` at least that of every point before it.
void hull_add(Hull& h, double x, double y);
// Adds a rise at `x` from `low` to `high`: only the upper point can bound
// the maximum, only the lower the minimum.
void hull_add_step(Hull& h, double x, double low, double high);

// max and min over the points of y - slope * x; 0 for no points.
double hull_max(const Hull& h, double slope);
double hull_min(const Hull& h, double slope);

}  // namespace ostrel
