#include "pass/interval_pass.hpp"

#include "pass/pass.hpp"

namespace ostrel {
namespace {

// Each finding into its interval, then to the report.
struct Pass final : PassListener {
    Pass(IntervalListener& l, Intervals* t) : listener(l), intervals(t) {}
    IntervalListener& listener;
    Intervals* intervals;
    void finding(const Finding& finding) override
    {
        intervals_finding(*intervals, finding);
        listener.finding(finding);
    }
};

}  // namespace

ReportEnd run_interval_pass(const PacketInput& in, double length, IntervalListener& listener, std::FILE* err,
                            FlowFigures* figures)
{
    Pass pass{listener, new_intervals(length, listener)};
    Analysis* const a = new_analysis(&pass);
    ReportEnd result = ReportEnd::out_of_memory;
    if (a != nullptr && pass.intervals != nullptr) {
        a->check_priority = 3;  // the findings of every priority, counted per interval
        a->intervals = pass.intervals;
        result = pass_end(run_flow_pass(in, *a, err, figures), *a);
        if (result == ReportEnd::done) {
            intervals_end(*a, *pass.intervals);
            listener.finished(*a);
        }
    }
    delete_analysis(a);
    delete_intervals(pass.intervals);
    return result;
}

}  // namespace ostrel
