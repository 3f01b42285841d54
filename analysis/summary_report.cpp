#include "analysis/summary_report.hpp"

#include "analysis/pass.hpp"
#include "analysis/summary_output.hpp"

namespace ostrel {

ReportEnd report_summary(const PacketInput& in, Output& out, const char* name, bool json, std::FILE* err)
{
    Analysis* const a = new_analysis(nullptr, nullptr);
    if (a == nullptr)
        return ReportEnd::out_of_memory;
    const ScanEnd end = run_pass(in, *a, err);
    ReportEnd result = ReportEnd::done;
    if (end == ScanEnd::read_error || end == ScanEnd::no_packets)
        result = scan_failure(end);
    else if (a->packets == 0)
        result = ReportEnd::no_packets;  // a file shorter than one packet has nothing to sum up
    else if (json)
        put_summary_json(out, *a, name);
    else
        put_summary_text(out, *a, name);
    delete_analysis(a);
    return result;
}

}  // namespace ostrel
