#include "pass/network/hull.hpp"

#include <algorithm>

namespace ostrel {
namespace {

double turn(const HullPoint& a, const HullPoint& b, const HullPoint& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Drops the last vertex while it lies on the wrong side of the chain from
// the one before it to `p` (sign 1: the upper chain, -1: the lower).
void push(std::vector<HullPoint>& chain, const HullPoint& p, double sign)
{
    while (chain.size() >= 2 && sign * turn(chain[chain.size() - 2], chain.back(), p) >= 0)
        chain.pop_back();
    chain.push_back(p);
}

// The largest (sign 1) or smallest (sign -1) y - slope * x over the chain; 0 for none.
double extreme(const std::vector<HullPoint>& chain, double slope, double sign)
{
    if (chain.empty())
        return 0;
    double best = chain.front().y - slope * chain.front().x;
    for (const HullPoint& p : chain)
        best = sign * std::max(sign * best, sign * (p.y - slope * p.x));
    return best;
}

}  // namespace

void hull_add(Hull& h, double x, double y)
{
    push(h.upper, HullPoint{x, y}, 1);
    push(h.lower, HullPoint{x, y}, -1);
}

void hull_add_step(Hull& h, double x, double low, double high)
{
    push(h.upper, HullPoint{x, high}, 1);
    push(h.lower, HullPoint{x, low}, -1);
}

double hull_max(const Hull& h, double slope) { return extreme(h.upper, slope, 1); }

double hull_min(const Hull& h, double slope) { return extreme(h.lower, slope, -1); }

}  // namespace ostrel
