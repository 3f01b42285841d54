// What the PCRs of each PCR PID are measured against beyond their own
// intervals: PCR accuracy against a constant-rate stream (the PCR foretold
// from the bytes by a least-squares line of the PCRs before it), and, with
// arrival times, the PCR's overall jitter (each PCR against its arrival
// after the linear drift of one clock against the other is taken out).
#pragma once

#include <cstdint>
#include <optional>

#include "pass/network/hull.hpp"

namespace ostrel {

// A running least-squares line of y over x (Welford's updates: no large
// sums, no cancellation).
struct LineFit {
    std::uint64_t n;
    double mean_x, mean_y, sxx, sxy;
};
void fit_add(LineFit& f, double x, double y);
inline bool fit_known(const LineFit& f) { return f.n >= 2 && f.sxx > 0; }
inline double fit_slope(const LineFit& f) { return f.sxy / f.sxx; }
inline double fit_at(const LineFit& f, double x) { return f.mean_y + fit_slope(f) * (x - f.mean_x); }

struct PcrTrack {
    unsigned pid;
    // Accuracy: PCR ticks (unwrapped) over the bytes since the segment's first PCR.
    bool variable;        // a PCR pair's rate was more than 0.1 % off the line
    bool measured;        // some PCR was measured against the line
    std::uint64_t pcrs, measured_pcrs;  // PCRs taken; of them measured against the line
    std::uint64_t losses_seen;          // the pass's losses at the last PCR: a loss starts a new line
    std::uint64_t segment_offset;
    double ticks;         // the latest PCR, unwrapped, since the segment's first
    std::uint64_t last_offset;
    LineFit by_bytes;
    // Jitter: (arrival, PCR - arrival) in seconds, one segment between discontinuities.
    LineFit by_arrival;
    Hull points;
    double arrival_origin;
    bool jitter_known;
    double jitter_min, jitter_max;  // seconds, over the segments ended
};

inline constexpr unsigned max_pcr_tracks = 16;

struct PcrTracks {
    unsigned count;
    PcrTrack tracks[max_pcr_tracks];
};

PcrTrack* pcr_track(PcrTracks& t, unsigned pid);

// The PCR's distance in seconds from the line of the PCRs before it, when
// the rate of its pair held; none when it cannot be told (`variable` then
// says whether the rate went off the line).
std::optional<double> pcr_off_rate(PcrTrack& t, std::uint64_t offset, std::uint64_t ticks_since_last,
                                   bool continuous);

// A PCR (seconds since the segment start) that arrived at `arrival` (seconds).
void take_pcr_arrival(PcrTrack& t, double arrival, double pcr_seconds, bool continuous);

struct PcrJitter {
    bool known;
    double min_s, max_s;
};
PcrJitter pcr_jitter(const PcrTrack& t);

}  // namespace ostrel
