// What the summary adds for a capture's flow (text and JSON).
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "pass/analysis.hpp"
#include "output/output.hpp"

namespace ostrel {

struct CaptureFlow;

void put_capture_text(Output& out, const Analysis& a, const CaptureFlow& flow);
void add_capture_json(nlohmann::json& summary, const Analysis& a, const CaptureFlow& flow);

}  // namespace ostrel
