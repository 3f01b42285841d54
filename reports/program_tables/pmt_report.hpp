// The Program Map Table, from the first section on the PID given.
#pragma once

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"

namespace ostrel {

ReportEnd report_pmt(const PacketInput& in, SyncLog& log, unsigned pmt_pid);

struct PmtReport final : TextReport {
    explicit PmtReport(unsigned map_pid) : pmt_pid(map_pid) {}
    unsigned pmt_pid;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override { return report_pmt(run.in, log, pmt_pid); }
};

}  // namespace ostrel
