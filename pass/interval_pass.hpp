// The one pass cut into intervals of stream time, behind --timeline and
// --html:: the findings of every priority are counted into their intervals,
// each interval goes to the report as it ends.
#pragma once

#include <cstdio>

#include "pass/analysis.hpp"
#include "pass/intervals.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

struct IntervalHooks {
    RowSink row;
    FindingSink finding;  // each finding as well, once counted; or null
    void (*finished)(void* context, const Analysis& a);  // the pass ended as asked, its last row out
    void* context;
};

// `figures`: a capture's flow whose figures the report shows, or null.
ReportEnd run_interval_pass(const PacketInput& in, double length, const IntervalHooks& hooks, std::FILE* err,
                            FlowFigures* figures = nullptr);

}  // namespace ostrel
