// How --check writes findings and its closing table, as text or JSON Lines.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "pass/analysis.hpp"
#include "output/output.hpp"

namespace ostrel {

// A plain description of the finding with the value seen and the one expected.
std::string finding_detail(const Finding& f);
// The same for the priority 3 findings.
std::string si_finding_detail(const Finding& f);

// Whether an indicator could be checked on this file; why not, or "".
bool indicator_checked(const Analysis& a, Indicator indicator);
std::string not_checked_reason(const Analysis& a, Indicator indicator);
// Whether its priority was asked for.
bool indicator_listed(const Analysis& a, Indicator indicator);

// The findings the text form counted and did not print, by indicator and by (indicator, PID).
struct Withheld {
    std::map<std::pair<unsigned, unsigned>, std::uint64_t> printed, by_pair;
    std::map<unsigned, std::uint64_t> by_indicator;
};
// The errors counted by the indicators that were checked.
std::uint64_t error_total(const Analysis& a);

void put_finding_text(Output& out, const Finding& f);
void put_finding_json(Output& out, const Finding& f);
void put_check_table_text(Output& out, const Analysis& a, const Withheld& withheld);
void put_check_table_json(Output& out, const Analysis& a);

}  // namespace ostrel
