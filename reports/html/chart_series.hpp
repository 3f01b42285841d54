// The intervals of a stream of any length kept for drawing: at most
// chart_points points, each the sum of a run of rows; when they are all
// taken, neighbours are merged pairwise and each point covers twice the
// rows. The first PIDs get a series each, the rest one together.
#pragma once

#include <cstdint>

#include "pass/intervals.hpp"

namespace ostrel {

inline constexpr unsigned chart_points = 1024;
inline constexpr unsigned chart_pid_series = 12;  // the last: every other PID

struct ChartPoint {
    double start_s, duration_s;
    std::uint64_t packets;
    std::uint64_t pid_packets[chart_pid_series];
    double pcr_interval_max_s, pcr_accuracy_max_s;  // -1 none
    std::uint64_t findings[3];
};

struct ChartSeries {
    unsigned count;
    ChartPoint points[chart_points];
    std::uint64_t rows_per_point;  // doubles at each merge
    std::uint64_t rows_in_last;
    unsigned packet_size;
    unsigned pid_count;                        // PIDs with a series of their own
    unsigned short pids[chart_pid_series - 1];
    bool others;                               // some PID went into the last series
    std::uint64_t untimed_packets;             // a row without a time: not drawn
};

void chart_start(ChartSeries& c);
void chart_take(ChartSeries& c, const IntervalRow& row);

// Bits a second of `packets` over the point; 0 when it has no length.
double chart_bitrate(const ChartSeries& c, const ChartPoint& p, std::uint64_t packets);
// The end of the last point: the length of the time axis.
double chart_span(const ChartSeries& c);

}  // namespace ostrel
