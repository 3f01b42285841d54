// The intervals of a stream of any length kept for drawing: at most
// chart_points points, each the sum of a run of rows; when they are all
// taken, neighbours are merged pairwise and each point covers twice the
// rows. The first chart_tracked - 1 PIDs are counted each, the rest
// together; the chart draws the largest of them by bytes each, the rest as one.
#pragma once

#include <cstdint>

#include "pass/intervals.hpp"

namespace ostrel {

inline constexpr unsigned chart_points = 1024;
inline constexpr unsigned chart_pid_series = 12;  // drawn: 11 PIDs, the last every other PID
inline constexpr unsigned chart_tracked = 64;     // counted: 63 PIDs, the last every other PID

struct ChartPoint {
    double start_s, duration_s;
    std::uint64_t packets;
    std::uint64_t pid_packets[chart_tracked];
    double pcr_interval_max_s, pcr_accuracy_max_s;  // -1 none
    std::uint64_t findings[3];
};

struct ChartSeries {
    unsigned count;
    ChartPoint points[chart_points];
    std::uint64_t rows_per_point;  // doubles at each merge
    std::uint64_t rows_in_last;
    unsigned packet_size;
    unsigned pid_count;                        // PIDs counted each
    unsigned short pids[chart_tracked - 1];
    bool others;                               // some PID went into the last count
    std::uint64_t untimed_packets;             // a row without a time: not drawn
};

// The series drawn: the counted PIDs with the most packets (ties: the first
// seen), largest first, and whether an "every other PID" series follows.
struct ChartLegend {
    unsigned count;
    unsigned slots[chart_pid_series - 1];  // into pids[] and pid_packets[]
    bool others;
};
ChartLegend chart_legend(const ChartSeries& c);
// A point's packets of the PIDs the legend draws in no series of their own.
std::uint64_t other_packets(const ChartPoint& p, const ChartLegend& legend);

void chart_start(ChartSeries& c);
void chart_take(ChartSeries& c, const IntervalRow& row);

// Bits a second of `packets` over the point; 0 when it has no length.
double chart_bitrate(const ChartSeries& c, const ChartPoint& p, std::uint64_t packets);
// The end of the last point: the length of the time axis.
double chart_span(const ChartSeries& c);

}  // namespace ostrel
