// The Program Map Table, from the first section on the PID given.
#pragma once

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

ReportEnd report_pmt(const PacketInput& in, SyncLog& log, unsigned pmt_pid);

}  // namespace ostrel
