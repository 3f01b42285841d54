#include "reports/check/check_report.hpp"

#include "reports/check/check_output.hpp"
#include "pass/pass.hpp"

namespace ostrel {
namespace {

constexpr std::uint64_t shown_per_pair = 10;  // text: findings of one indicator on one PID printed

struct Sink final : PassListener {
    Sink(Output& o, const CheckOptions& asked) : out(o), options(asked) {}
    Output& out;
    const CheckOptions& options;
    Withheld withheld;
    void finding(const Finding& finding) override;
};

void Sink::finding(const Finding& finding)
{
    Sink& sink = *this;
    const Indicator indicator = indicator_of(finding.kind);
    if (indicator_priority(indicator) > sink.options.priority)
        return;
    if (sink.options.json) {
        put_finding_json(sink.out, finding);
        if (sink.options.live)
            out_flush(sink.out);
        return;
    }
    const auto pair = std::make_pair(static_cast<unsigned>(indicator), finding.pid);
    if (!sink.options.all && ++sink.withheld.printed[pair] > shown_per_pair) {
        ++sink.withheld.by_indicator[pair.first];
        ++sink.withheld.by_pair[pair];
        return;
    }
    put_finding_text(sink.out, finding);
    if (sink.options.live)
        out_flush(sink.out);
}

// Some PCR was measured against a constant rate.
bool pcr_accuracy_measured(const Analysis& a)
{
    for (unsigned i = 0; i < a.pcr_tracks.count; ++i) {
        if (a.pcr_tracks.tracks[i].measured)
            return true;
    }
    return false;
}

}  // namespace

bool indicator_checked(const Analysis& a, Indicator indicator)
{
    return not_checked_reason(a, indicator).empty();
}

std::string not_checked_reason(const Analysis& a, Indicator indicator)
{
    const bool pcrs = a.pcr_pairs;
    switch (indicator) {
    case Indicator::pcr_accuracy_error:
        if (!pcrs)
            return "no PCR pair";
        return a.packet_size == 192 || pcr_accuracy_measured(a) ? "" : "variable rate";
    case Indicator::pcr_repetition_error:
    case Indicator::pcr_discontinuity_indicator_error:
        return pcrs ? "" : "no PCR pair";
    case Indicator::pid_error:
    case Indicator::pts_error:
        return intervals_timed(a) ? "" : "no PCR";
    case Indicator::buffer_error:
    case Indicator::empty_buffer_error:
    case Indicator::data_delay_error:
        return "needs a model of the decoder buffers";
    default:
        if (indicator_priority(indicator) == 3 && !a.si.started)
            return "no DVB SI (no NIT, SDT or EIT section with a correct CRC_32)";
        if (indicator_priority(indicator) == 3 && !intervals_timed(a) && indicator != Indicator::nit_actual_error &&
            indicator != Indicator::sdt_actual_error && indicator != Indicator::eit_actual_error &&
            indicator != Indicator::rst_error && indicator != Indicator::tdt_error && indicator != Indicator::eit_pf_error)
            return "no PCR";
        return "";
    }
}

bool indicator_listed(const Analysis& a, Indicator indicator) { return indicator_priority(indicator) <= a.check_priority; }

std::uint64_t error_total(const Analysis& a)
{
    std::uint64_t total = 0;
    for (unsigned i = 0; i < indicator_count; ++i) {
        const auto indicator = static_cast<Indicator>(i);
        total += indicator_listed(a, indicator) && indicator_checked(a, indicator) ? a.counts[i] : 0;
    }
    return total;
}

ReportEnd report_check(const PacketInput& in, Output& out, const CheckOptions& options, std::FILE* err)
{
    Sink sink{out, options};
    Analysis* const a = new_analysis(&sink);
    if (a == nullptr)
        return ReportEnd::out_of_memory;
    a->check_priority = options.priority;
    const ScanEnd end = run_pass(in, *a, err);
    ReportEnd result = pass_end(end, *a);
    if (result == ReportEnd::done) {
        if (options.json)
            put_check_table_json(out, *a);
        else
            put_check_table_text(out, *a, sink.withheld);
        if (error_total(*a) != 0)
            result = ReportEnd::findings;
    }
    delete_analysis(a);
    return result;
}

ReportEnd CheckReport::write(const ReportRun& run, SyncLog& log)
{
    CheckOptions o = options;
    o.live = live_input(run);
    return report_check(run.in, log.out, o, log.err);
}

}  // namespace ostrel
