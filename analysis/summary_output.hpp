// The two forms of the summary of a finished analysis.
#pragma once

#include "analysis/analysis.hpp"
#include "packets/output.hpp"

namespace ostrel {

struct FlowStream;

// With `flow` (a capture's), the flow, its network figures and the PCR jitter follow.
void put_summary_text(Output& out, const Analysis& a, const char* name, const FlowStream* flow = nullptr);
// One JSON object; the key names are documented and scripts rely on them.
void put_summary_json(Output& out, const Analysis& a, const char* name, const FlowStream* flow = nullptr);

}  // namespace ostrel
