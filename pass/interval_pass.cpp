#include "pass/interval_pass.hpp"

#include "pass/pass.hpp"

namespace ostrel {
namespace {

struct Pass {
    const IntervalHooks& hooks;
    Intervals* intervals;
};

void on_finding(void* context, const Finding& finding)
{
    Pass& pass = *static_cast<Pass*>(context);
    intervals_finding(*pass.intervals, finding);
    if (pass.hooks.finding != nullptr)
        pass.hooks.finding(pass.hooks.context, finding);
}

}  // namespace

ReportEnd run_interval_pass(const PacketInput& in, double length, const IntervalHooks& hooks, std::FILE* err,
                            FlowFigures* figures)
{
    Pass pass{hooks, new_intervals(length, hooks.row, hooks.context)};
    Analysis* const a = new_analysis(on_finding, &pass);
    ReportEnd result = ReportEnd::out_of_memory;
    if (a != nullptr && pass.intervals != nullptr) {
        a->check_priority = 3;  // the findings of every priority, counted per interval
        a->intervals = pass.intervals;
        result = pass_end(run_flow_pass(in, *a, err, figures), *a);
        if (result == ReportEnd::done) {
            intervals_end(*a, *pass.intervals);
            hooks.finished(hooks.context, *a);
        }
    }
    delete_analysis(a);
    delete_intervals(pass.intervals);
    return result;
}

}  // namespace ostrel
