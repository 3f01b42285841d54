// The one pass over the file behind --summary and --check: every packet and
// every gap in the sync goes to the analysis.
#pragma once

#include <cstdio>

#include "analysis/analysis.hpp"
#include "packets/packet_scan.hpp"

namespace ostrel {

// A report's look at each packet once the analysis has taken it; false stops the pass.
using PacketHook = bool (*)(void* context, const Packet& packet);

// Reads the whole input into `a`; `err` gets the progress line when it is a terminal.
ScanEnd run_pass(const PacketInput& in, Analysis& a, std::FILE* err, PacketHook hook = nullptr,
                 void* hook_context = nullptr);

}  // namespace ostrel
