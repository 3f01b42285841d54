// --tables: every PSI/SI table of the capture decoded with its descriptors,
// after one pass as --summary makes it; with a PID, that PID's tables only.
#pragma once

#include <cstdio>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"

namespace ostrel {

ReportEnd report_tables(const PacketInput& in, Output& out, unsigned pid_filter, bool json, std::FILE* err);

struct TablesReport final : TextReport {
    TablesReport(unsigned only_pid, bool as_json) : pid_filter(only_pid), json(as_json) {}
    unsigned pid_filter;  // every_pid, or the one PID whose tables are shown
    bool json;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override;
};

}  // namespace ostrel
