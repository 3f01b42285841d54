#include "analysis/summary_report.hpp"

#include "analysis/pass.hpp"
#include "analysis/summary_output.hpp"
#include "network/flow_stream.hpp"

namespace ostrel {

ReportEnd report_summary(const PacketInput& in, Output& out, const char* name, bool json, std::FILE* err,
                         const FlowStream* flow)
{
    Analysis* const a = new_analysis(nullptr, nullptr);
    if (a == nullptr)
        return ReportEnd::out_of_memory;
    const ScanEnd end = run_flow_pass(in, *a, err, flow != nullptr ? flow->figures.get() : nullptr);
    const ReportEnd result = pass_end(end, *a);  // a file shorter than one packet has nothing to sum up
    if (result == ReportEnd::done && json)
        put_summary_json(out, *a, name, flow);
    else if (result == ReportEnd::done)
        put_summary_text(out, *a, name, flow);
    delete_analysis(a);
    return result;
}

}  // namespace ostrel
