// The one pass over the file behind --summary and --check: every packet and
// every gap in the sync goes to the analysis.
#pragma once

#include <cstdio>

#include "analysis/analysis.hpp"
#include "packets/packet_scan.hpp"

namespace ostrel {

// Reads the whole input into `a`; `err` gets the progress line when it is a terminal.
ScanEnd run_pass(const PacketInput& in, Analysis& a, std::FILE* err);

}  // namespace ostrel
