// What the summary adds for a capture's flow (text and JSON).
#pragma once

#include <nlohmann/json_fwd.hpp>

#include "analysis/analysis.hpp"
#include "packets/output.hpp"

namespace ostrel {

struct FlowStream;

void put_capture_text(Output& out, const Analysis& a, const FlowStream& flow);
void add_capture_json(nlohmann::json& summary, const Analysis& a, const FlowStream& flow);

}  // namespace ostrel
