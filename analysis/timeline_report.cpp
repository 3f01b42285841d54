#include "analysis/timeline_report.hpp"

#include "analysis/pass.hpp"

namespace ostrel {
namespace {

struct Run {
    Output& out;
    const TimelineOptions& options;
    Analysis* analysis;
    Intervals* intervals;
    std::uint64_t rows;
};

void on_row(void* context, const IntervalRow& row)
{
    Run& run = *static_cast<Run*>(context);
    ++run.rows;
    if (run.options.json) {
        put_interval_json(run.out, row);
    } else {
        if (run.rows == 1)
            out_format(run.out, "=> Timeline:           intervals of '%.6f'd s; bitrates in bit/s, '-' unknown\n",
                       run.options.interval_s);
        if (row.pids_changed || run.rows == 1)
            put_interval_header(run.out, row);
        put_interval_text(run.out, row);
    }
    if (run.options.live)
        out_flush(run.out);
}

void on_finding(void* context, const Finding& finding)
{
    intervals_finding(*static_cast<Run*>(context)->intervals, finding);
}

// How the rows were timed, after them.
void put_closing_text(Output& out, const Analysis& a, std::uint64_t rows)
{
    out_format(out, "=> Intervals:          '%llu'd of '%.6f'd s\n", static_cast<unsigned long long>(rows),
               a.intervals->length);
    if (a.arrival.on)
        out_text(out, "=> Timed by:           arrival time\n");
    else if (clock_known(a.clock))
        out_format(out, "=> Timed by:           the PCRs of PID '%04X'h\n", a.clock.pid);
    else
        out_text(out, "=> Timed by:           unknown (no PCR)\n");
}

}  // namespace

double interval_bitrate(const IntervalRow& row, std::uint64_t packets)
{
    if (!row.timed || row.duration_s <= 0)
        return -1;
    return static_cast<double>(packets) * row.packet_size * 8 / row.duration_s;
}

ReportEnd report_timeline(const PacketInput& in, Output& out, const TimelineOptions& options, std::FILE* err)
{
    Run run{out, options, nullptr, nullptr, 0};
    run.analysis = new_analysis(on_finding, &run);
    run.intervals = new_intervals(options.interval_s, on_row, &run);
    ReportEnd result = ReportEnd::out_of_memory;
    if (run.analysis != nullptr && run.intervals != nullptr) {
        Analysis& a = *run.analysis;
        a.check_priority = 3;  // the findings of every priority, counted per interval
        a.intervals = run.intervals;
        const ScanEnd end = run_pass(in, a, err);
        result = pass_end(end, a);
        if (result == ReportEnd::done) {
            intervals_end(a, *run.intervals);
            if (!options.json)
                put_closing_text(out, a, run.rows);
        }
    }
    delete_intervals(run.intervals);
    delete_analysis(run.analysis);
    return result;
}

}  // namespace ostrel
