// --cues: every SCTE 35 splice_info_section in stream order, decoded, with
// its place, time, CRC_32 status and pre-roll.
#pragma once

#include <cstdio>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"

namespace ostrel {

ReportEnd report_cues(const PacketInput& in, Output& out, bool json, std::FILE* err);

struct CuesReport final : TextReport {
    explicit CuesReport(bool as_json) : json(as_json) {}
    bool json;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override;
};

}  // namespace ostrel
