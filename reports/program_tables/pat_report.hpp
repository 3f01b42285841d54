// The Program Association Table, from the first section on PID 0x0000.
#pragma once

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"

namespace ostrel {

ReportEnd report_pat(const PacketInput& in, SyncLog& log);

struct PatReport final : TextReport {
protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override { return report_pat(run.in, log); }
};

}  // namespace ostrel
