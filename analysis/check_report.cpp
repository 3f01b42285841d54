#include "analysis/check_report.hpp"

#include "analysis/check_output.hpp"
#include "analysis/pass.hpp"

namespace ostrel {
namespace {

struct Sink {
    Output& out;
    bool json;
};

void on_finding(void* context, const Finding& finding)
{
    Sink& sink = *static_cast<Sink*>(context);
    if (sink.json)
        put_finding_json(sink.out, finding);
    else
        put_finding_text(sink.out, finding);
}

}  // namespace

bool indicator_checked(const Analysis& a, Indicator indicator)
{
    const bool pcrs = a.pcr_pairs;
    switch (indicator) {
    case Indicator::pcr_accuracy_error:
        return a.packet_size == 192 && pcrs;
    case Indicator::pcr_repetition_error:
    case Indicator::pcr_discontinuity_indicator_error:
        return pcrs;
    case Indicator::pid_error:
    case Indicator::pts_error:
        return clock_known(a.clock);
    default:
        return true;
    }
}

std::uint64_t error_total(const Analysis& a)
{
    std::uint64_t total = 0;
    for (unsigned i = 0; i < indicator_count; ++i)
        total += indicator_checked(a, static_cast<Indicator>(i)) ? a.counts[i] : 0;
    return total;
}

ReportEnd report_check(const PacketInput& in, Output& out, bool json, std::FILE* err)
{
    Sink sink{out, json};
    Analysis* const a = new_analysis(on_finding, &sink);
    if (a == nullptr)
        return ReportEnd::out_of_memory;
    const ScanEnd end = run_pass(in, *a, err);
    ReportEnd result = ReportEnd::done;
    if (end == ScanEnd::read_error || end == ScanEnd::no_packets) {
        result = scan_failure(end);
    } else if (a->packets == 0) {
        result = ReportEnd::no_packets;
    } else {
        if (json)
            put_check_table_json(out, *a);
        else
            put_check_table_text(out, *a);
        if (error_total(*a) != 0)
            result = ReportEnd::findings;
    }
    delete_analysis(a);
    return result;
}

}  // namespace ostrel
