// The pass cut into intervals of stream time, behind --timeline and
// --html:: the findings of every priority are counted into their intervals,
// each interval goes to the report as it ends.
#pragma once

#include <cstdio>

#include "pass/analysis.hpp"
#include "pass/intervals.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

// What a report of intervals hears: each row, each finding once counted
// into its interval, and the end of a pass that ended as asked.
struct IntervalListener : RowListener {
    virtual void finding(const Finding& finding) { (void)finding; }
    virtual void finished(const Analysis& a) = 0;  // its last row out

protected:
    ~IntervalListener() = default;
};

// `figures`: a capture's flow whose figures the report shows, or null.
ReportEnd run_interval_pass(const PacketInput& in, double length, IntervalListener& listener, std::FILE* err,
                            FlowFigures* figures = nullptr);

}  // namespace ostrel
