// --summary: what a capture holds, after one pass, as text or as one JSON object.
#pragma once

#include <cstdio>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"

namespace ostrel {

struct CaptureFlow;

// `flow`: the capture's flow the input is, whose network figures the summary adds; null for a file.
ReportEnd report_summary(const PacketInput& in, Output& out, const char* name, bool json, std::FILE* err,
                         const CaptureFlow* flow = nullptr);

struct SummaryReport final : TextReport {
    explicit SummaryReport(bool as_json) : json(as_json) {}
    bool json;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override;
};

}  // namespace ostrel
