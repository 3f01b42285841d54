#include "pass/pcr_tracks.hpp"

#include <algorithm>
#include <cmath>

namespace ostrel {
namespace {

constexpr double rate_tolerance = 0.001;  // a pair's rate within 0.1 % of the line: a constant rate

// The residuals of the segment's points from their own line.
void end_segment(PcrTrack& t)
{
    if (t.by_arrival.n >= 3 && fit_known(t.by_arrival)) {
        const double b = fit_slope(t.by_arrival);
        const double a = t.by_arrival.mean_y - b * t.by_arrival.mean_x;
        const double high = hull_max(t.points, b) - a;
        const double low = hull_min(t.points, b) - a;
        t.jitter_min = t.jitter_known ? std::min(t.jitter_min, low) : low;
        t.jitter_max = t.jitter_known ? std::max(t.jitter_max, high) : high;
        t.jitter_known = true;
    }
    t.by_arrival = LineFit{};
    t.points.upper.clear();
    t.points.lower.clear();
}

}  // namespace

void fit_add(LineFit& f, double x, double y)
{
    ++f.n;
    const double dx = x - f.mean_x;
    f.mean_x += dx / static_cast<double>(f.n);
    f.mean_y += (y - f.mean_y) / static_cast<double>(f.n);
    f.sxx += dx * (x - f.mean_x);
    f.sxy += dx * (y - f.mean_y);
}

PcrTrack* pcr_track(PcrTracks& t, unsigned pid)
{
    for (unsigned i = 0; i < t.count; ++i) {
        if (t.tracks[i].pid == pid)
            return &t.tracks[i];
    }
    if (t.count == max_pcr_tracks)
        return nullptr;
    PcrTrack& track = t.tracks[t.count++];
    track.pid = pid;
    return &track;
}

std::optional<double> pcr_off_rate(PcrTrack& t, std::uint64_t offset, std::uint64_t ticks_since_last, bool continuous)
{
    if (!continuous || t.by_bytes.n == 0) {  // a segment starts here
        t.by_bytes = LineFit{};
        t.segment_offset = offset;
        t.ticks = 0;
    } else {
        t.ticks += static_cast<double>(ticks_since_last);
    }
    const double x = static_cast<double>(offset - t.segment_offset);
    std::optional<double> off;
    if (!t.variable && fit_known(t.by_bytes) && offset > t.last_offset) {
        const double pair_rate = static_cast<double>(ticks_since_last) / static_cast<double>(offset - t.last_offset);
        if (std::fabs(pair_rate / fit_slope(t.by_bytes) - 1) > rate_tolerance) {
            t.variable = true;
        } else {
            t.measured = true;
            ++t.measured_pcrs;
            off = (t.ticks - fit_at(t.by_bytes, x)) / 27e6;
        }
    }
    fit_add(t.by_bytes, x, t.ticks);
    t.last_offset = offset;
    return off;
}

void take_pcr_arrival(PcrTrack& t, double arrival, double pcr_seconds, bool continuous)
{
    if (!continuous) {
        end_segment(t);
        t.arrival_origin = arrival;
    }
    const double x = arrival - t.arrival_origin;
    const double y = pcr_seconds - x;
    fit_add(t.by_arrival, x, y);
    hull_add(t.points, x, y);
}

PcrJitter pcr_jitter(const PcrTrack& t)
{
    PcrTrack copy = t;
    end_segment(copy);
    return PcrJitter{copy.jitter_known, copy.jitter_min, copy.jitter_max};
}

}  // namespace ostrel
