#include "reports/summary/summary_report.hpp"

#include "pass/pass.hpp"
#include "reports/summary/summary_output.hpp"
#include "pass/network/flow_figures.hpp"

namespace ostrel {

ReportEnd report_summary(const PacketInput& in, Output& out, const char* name, bool json, std::FILE* err,
                         const CaptureFlow* flow)
{
    Analysis* const a = new_analysis(nullptr);
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

ReportEnd SummaryReport::write(const ReportRun& run, SyncLog& log)
{
    return report_summary(run.in, log.out, run.name, json, log.err, run.flow);
}

}  // namespace ostrel
