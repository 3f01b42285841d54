#include "cli/report_registry.hpp"

#include "reports/check/check_report.hpp"
#include "reports/cues/cues_report.hpp"
#include "reports/cut/cut_report.hpp"
#include "reports/hls/hls_report.hpp"
#include "reports/html/html_report.hpp"
#include "reports/packets/packet_report.hpp"
#include "reports/program_tables/pat_report.hpp"
#include "reports/program_tables/pmt_report.hpp"
#include "reports/summary/summary_report.hpp"
#include "reports/tables/tables_report.hpp"
#include "reports/timeline/timeline_report.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

// The rows behind the page's charts: those of --timeline:SECONDS, else a
// tenth of a second, merged as the file turns out long.
constexpr double html_interval_s = 0.1;

CutOptions cut_options(const RunOptions& o)
{
    CutOptions cut;
    cut.pids = o.pid_list;
    if (o.pid_filter <= pid_null)
        cut.pids.push_back(o.pid_filter);
    cut.program = o.program_mode;
    cut.program_number = o.program_number;
    cut.from = o.from;
    cut.to = o.to;
    cut.es = o.es_mode;
    cut.es_pid = o.es_pid;
    return cut;
}

template <class R, class... Args>
std::unique_ptr<Report> made(Args&&... args)
{
    return std::make_unique<R>(std::forward<Args>(args)...);
}

// --flows is not here: it reads a capture's flows, not the packets of one (cli/run_capture).
constexpr ReportEntry entries[] = {
    {"--write:", [](const RunOptions& o) { return o.write_mode; },
     [](const RunOptions& o) { return made<CutReport>(cut_options(o), o.write_path); }},
    {"--html:", [](const RunOptions& o) { return o.html_mode; },
     [](const RunOptions& o) {
         return made<HtmlReport>(o.html_path, o.timeline_mode ? o.timeline_interval : html_interval_s);
     }},
    {"--check", [](const RunOptions& o) { return o.check_mode; },
     [](const RunOptions& o) {
         return made<CheckReport>(CheckOptions{o.json, o.check_priority, o.all_findings, false});
     }},
    {"--summary", [](const RunOptions& o) { return o.summary_mode; },
     [](const RunOptions& o) { return made<SummaryReport>(o.json); }},
    {"--hls", [](const RunOptions& o) { return o.hls_mode; },
     [](const RunOptions& o) { return made<HlsReport>(HlsOptions{o.json, o.all_findings}); }},
    {"--timeline", [](const RunOptions& o) { return o.timeline_mode; },
     [](const RunOptions& o) { return made<TimelineReport>(TimelineOptions{o.json, o.timeline_interval, false}); }},
    {"--cues", [](const RunOptions& o) { return o.cues_mode; },
     [](const RunOptions& o) { return made<CuesReport>(o.json); }},
    {"--tables", [](const RunOptions& o) { return o.tables_mode; },
     [](const RunOptions& o) { return made<TablesReport>(o.pid_filter, o.json); }},
    {"--pat", [](const RunOptions& o) { return o.pat_mode; }, [](const RunOptions&) { return made<PatReport>(); }},
    {"--pmt:", [](const RunOptions& o) { return o.pmt_mode; },
     [](const RunOptions& o) { return made<PmtReport>(o.pmt_pid); }},
    {"", [](const RunOptions&) { return true; },
     [](const RunOptions& o) { return made<PacketsReport>(o.pid_filter, o.step_mode, o.decode); }},
};

}  // namespace

const ReportEntry* report_entries(std::size_t& count)
{
    count = std::size(entries);
    return entries;
}

std::unique_ptr<Report> choose_report(const RunOptions& options)
{
    for (const ReportEntry& e : entries) {
        if (e.asked(options))
            return e.make(options);
    }
    return nullptr;  // not reached: the packet report is always asked for
}

}  // namespace ostrel
