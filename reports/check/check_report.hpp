// --check: the TR 101 290 indicators of the priorities asked for, one line (or
// JSON object) per finding in stream order with its time, then a closing
// table of counts.
#pragma once

#include <cstdio>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"

namespace ostrel {

struct CheckOptions {
    bool json;
    unsigned priority;  // 1, 2 or 3: the highest checked
    bool all;           // every finding in the text form
    bool live = false;  // a live source: each finding is written out as it comes
};

// ReportEnd::findings when any indicator counted an error.
ReportEnd report_check(const PacketInput& in, Output& out, const CheckOptions& options, std::FILE* err);

// --check as a report: the options asked for; live when the input is.
struct CheckReport final : TextReport {
    explicit CheckReport(const CheckOptions& asked) : options(asked) {}
    CheckOptions options;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override;
};

}  // namespace ostrel
