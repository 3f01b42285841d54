// The Program Map Table, from the first section on the PID given.
#pragma once

#include "packets/output.hpp"
#include "packets/report_end.hpp"

namespace ostrel {

ReportEnd report_pmt(const PacketInput& in, SyncLog& log, unsigned pmt_pid);

}  // namespace ostrel
