// The one registry from options to reports: the reports in the order of
// their precedence, each with the option that asks for it and how it is made
// from the options. The first whose option is given runs; the packet report
// when none is.
#pragma once

#include <memory>

#include "cli/options.hpp"
#include "reports/report.hpp"

namespace ostrel {

struct ReportEntry {
    const char* option;  // as the help text names it
    bool (*asked)(const RunOptions& options);
    std::unique_ptr<Report> (*make)(const RunOptions& options);
};

// The entries by precedence, the packet report last (asked for always).
const ReportEntry* report_entries(std::size_t& count);

// The report the options choose.
std::unique_ptr<Report> choose_report(const RunOptions& options);

}  // namespace ostrel
