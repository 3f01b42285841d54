// --tables: every PSI/SI table of the capture decoded with its descriptors,
// after one pass as --summary makes it; with a PID, that PID's tables only.
#pragma once

#include <cstdio>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

ReportEnd report_tables(const PacketInput& in, Output& out, unsigned pid_filter, bool json, std::FILE* err);

}  // namespace ostrel
