// The two forms of the summary of a finished analysis.
#pragma once

#include "pass/analysis.hpp"
#include "output/output.hpp"

namespace ostrel {

struct CaptureFlow;

// With `flow` (a capture's), the flow, its network figures and the PCR jitter follow.
void put_summary_text(Output& out, const Analysis& a, const char* name, const CaptureFlow* flow = nullptr);
// One JSON object; the key names are documented and scripts rely on them.
void put_summary_json(Output& out, const Analysis& a, const char* name, const CaptureFlow* flow = nullptr);

}  // namespace ostrel
