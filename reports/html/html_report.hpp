// --html:FILE: one self-contained HTML page of a file after one pass: the
// charts of its intervals drawn as inline SVG (no script, nothing fetched),
// the summary, and the check's first findings and closing table.
#pragma once

#include <cstdio>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include <string>

#include "reports/report.hpp"

namespace ostrel {

struct CaptureFlow;

// The page goes to `page`; `interval_s` is that of the rows behind the charts.
ReportEnd report_html(const PacketInput& in, std::FILE* page, const char* name, double interval_s, std::FILE* err,
                      const CaptureFlow* flow = nullptr);

// --html:FILE as a report: the page into its target, which a failed run leaves as it was.
struct HtmlReport final : Report {
    HtmlReport(const std::string& target, double row_seconds) : path(target), interval_s(row_seconds) {}
    std::string path;
    double interval_s;  // the rows behind the charts
    int run(const ReportRun& run) override;
};

}  // namespace ostrel
