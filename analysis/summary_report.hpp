// --summary: what a capture holds, after one pass, as text or as one JSON object.
#pragma once

#include <cstdio>

#include "packets/output.hpp"
#include "packets/report_end.hpp"

namespace ostrel {

struct FlowStream;

// `flow`: the capture's flow the input is, whose network figures the summary adds; null for a file.
ReportEnd report_summary(const PacketInput& in, Output& out, const char* name, bool json, std::FILE* err,
                         const FlowStream* flow = nullptr);

}  // namespace ostrel
