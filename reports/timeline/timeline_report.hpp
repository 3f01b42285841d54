// --timeline: one row per interval of stream time (arrival time for a
// capture), from the first packet to the last, as an aligned table or as
// JSON Lines; --html: draws its charts from the same rows.
#pragma once

#include <cstdio>

#include <nlohmann/json.hpp>

#include "pass/intervals.hpp"
#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"
#include "sources/srt/srt_receiver.hpp"

namespace ostrel {

struct CaptureFlow;

struct TimelineOptions {
    bool json;
    double interval_s;  // at least least_interval_s
    bool live;          // each row written out as it comes
    const SrtLinkFigures* srt = nullptr;  // an SRT link's figures: columns of their own
};

// An SRT link's figures row by row: the counts at the row before.
struct SrtRows {
    const SrtLinkFigures* link;
    std::int64_t lost = 0, retransmitted = 0, dropped = 0;
};

ReportEnd report_timeline(const PacketInput& in, Output& out, const TimelineOptions& options, std::FILE* err);

// The text form: the header line of the columns (again whenever a PID joins), then a row.
// Without the line's end, for the SRT columns that may follow.
void put_interval_header(Output& out, const IntervalRow& row);
void put_interval_text(Output& out, const IntervalRow& row);
void put_interval_json(Output& out, const IntervalRow& row, SrtRows* srt = nullptr);
void put_srt_header(Output& out);
void put_srt_cells(Output& out, SrtRows& srt);
nlohmann::ordered_json srt_row_json(SrtRows& srt);

// Bits a second of `packets` over the interval; -1 when it has no length.
double interval_bitrate(const IntervalRow& row, std::uint64_t packets);

struct TimelineReport final : TextReport {
    explicit TimelineReport(const TimelineOptions& asked) : options(asked) {}
    TimelineOptions options;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override;
};

}  // namespace ostrel
