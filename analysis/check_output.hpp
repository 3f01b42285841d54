// How --check writes findings and its closing table, as text or JSON Lines.
#pragma once

#include <string>

#include "analysis/analysis.hpp"
#include "packets/output.hpp"

namespace ostrel {

// A plain description of the finding with the value seen and the one expected.
std::string finding_detail(const Finding& f);

// Whether an indicator could be checked on this file.
bool indicator_checked(const Analysis& a, Indicator indicator);
// The errors counted by the indicators that were checked.
std::uint64_t error_total(const Analysis& a);

void put_finding_text(Output& out, const Finding& f);
void put_finding_json(Output& out, const Finding& f);
void put_check_table_text(Output& out, const Analysis& a);
void put_check_table_json(Output& out, const Analysis& a);

}  // namespace ostrel
