#include "reports/timeline/timeline_report.hpp"

#include "pass/interval_pass.hpp"
#include "pass/network/flow_figures.hpp"

namespace ostrel {
namespace {

struct Run final : IntervalListener {
    Run(Output& o, const TimelineOptions& asked) : out(o), options(asked), srt{asked.srt} {}
    Output& out;
    const TimelineOptions& options;
    SrtRows srt;
    std::uint64_t rows = 0;
    void row(const IntervalRow& row) override;
    void finished(const Analysis& a) override;
};

void Run::row(const IntervalRow& row)
{
    Run& run = *this;
    ++run.rows;
    SrtRows* const srt = run.srt.link != nullptr ? &run.srt : nullptr;
    if (run.options.json) {
        put_interval_json(run.out, row, srt);
    } else {
        if (run.rows == 1)
            out_format(run.out, "=> Timeline:           intervals of '%.6f'd s; bitrates in bit/s, '-' unknown\n",
                       run.options.interval_s);
        if (row.pids_changed || run.rows == 1) {
            put_interval_header(run.out, row);
            if (srt != nullptr)
                put_srt_header(run.out);
            out_text(run.out, "\n");
        }
        put_interval_text(run.out, row);
        if (srt != nullptr)
            put_srt_cells(run.out, *srt);
        out_text(run.out, "\n");
    }
    if (run.options.live)
        out_flush(run.out);
}

// How the rows were timed, after them.
void Run::finished(const Analysis& a)
{
    Run& run = *this;
    if (run.options.json)
        return;
    Output& out = run.out;
    out_format(out, "=> Intervals:          '%llu'd of '%.6f'd s\n", static_cast<unsigned long long>(run.rows),
               run.options.interval_s);
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
    Run listener{out, options};
    return run_interval_pass(in, options.interval_s, listener, err);
}

ReportEnd TimelineReport::write(const ReportRun& run, SyncLog& log)
{
    TimelineOptions o = options;
    o.live = live_input(run);
    o.srt = run.flow != nullptr ? run.flow->stream->srt_link : nullptr;
    return report_timeline(run.in, log.out, o, log.err);
}

}  // namespace ostrel
