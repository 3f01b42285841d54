#include "reports/tables/tables_report.hpp"

#include "pass/pass.hpp"
#include "reports/tables/tables_output.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

struct Context final : PassListener {
    Context(TablesWriter& w, unsigned only_pid) : writer(w), pid_filter(only_pid) {}
    TablesWriter& writer;
    DvbText text;
    unsigned pid_filter;
    void table(const TableEvent& t) override
    {
        if (pid_filter == no_pid || t.pid == pid_filter)
            writer.table(t, text);
    }
};

}  // namespace

ReportEnd report_tables(const PacketInput& in, Output& out, unsigned pid_filter, bool json, std::FILE* err)
{
    const std::unique_ptr<TablesWriter> writer = json ? json_tables_writer(out) : text_tables_writer(out);
    Context context{*writer, pid_filter};
    Analysis* const a = new_analysis(&context);
    if (a == nullptr)
        return ReportEnd::out_of_memory;
    if (pid_filter < pid_count)
        gather_sections(*a, pid_filter);
    const ScanEnd end = run_pass(in, *a, err);
    const ReportEnd result = pass_end(end, *a);
    if (result == ReportEnd::done)
        writer->summary(*a, pid_filter);
    delete_analysis(a);
    return result;
}

ReportEnd TablesReport::write(const ReportRun& run, SyncLog& log)
{
    return report_tables(run.in, log.out, pid_filter, json, log.err);
}

}  // namespace ostrel
