// The two forms of the summary of a finished analysis.
#pragma once

#include "analysis/analysis.hpp"
#include "packets/output.hpp"

namespace ostrel {

void put_summary_text(Output& out, const Analysis& a, const char* name);
// One JSON object; the key names are documented and scripts rely on them.
void put_summary_json(Output& out, const Analysis& a, const char* name);

}  // namespace ostrel
