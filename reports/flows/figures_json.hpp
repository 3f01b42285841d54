// The figures of a flow as JSON: --flows and the summary of a capture.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "reports/flows/figures_output.hpp"

namespace ostrel {

// `with_network`: its network figures as "network" (--flows).
nlohmann::json flow_json(const FlowView& flow, bool with_network);
nlohmann::json network_json(const FlowFigures& f);
nlohmann::json other_traffic_json(const OtherTraffic& other);

}  // namespace ostrel
