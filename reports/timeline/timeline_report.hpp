// --timeline: one row per interval of stream time (arrival time for a
// capture), from the first packet to the last, as an aligned table or as
// JSON Lines; --html: draws its charts from the same rows.
#pragma once

#include <cstdio>

#include "pass/intervals.hpp"
#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"

namespace ostrel {

struct CaptureFlow;

struct TimelineOptions {
    bool json;
    double interval_s;  // at least least_interval_s
    bool live;          // each row written out as it comes
};

ReportEnd report_timeline(const PacketInput& in, Output& out, const TimelineOptions& options, std::FILE* err);

// The text form: the header line of the columns (again whenever a PID joins), then a row.
void put_interval_header(Output& out, const IntervalRow& row);
void put_interval_text(Output& out, const IntervalRow& row);
void put_interval_json(Output& out, const IntervalRow& row);

// Bits a second of `packets` over the interval; -1 when it has no length.
double interval_bitrate(const IntervalRow& row, std::uint64_t packets);

struct TimelineReport final : TextReport {
    explicit TimelineReport(const TimelineOptions& asked) : options(asked) {}
    TimelineOptions options;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override;
};

}  // namespace ostrel
