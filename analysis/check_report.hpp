// --check: the TR 101 290 first- and second-priority indicators, one line (or
// JSON object) per finding in stream order, then a closing table of counts.
#pragma once

#include <cstdio>

#include "packets/output.hpp"
#include "packets/report_end.hpp"

namespace ostrel {

// ReportEnd::findings when any indicator counted an error.
ReportEnd report_check(const PacketInput& in, Output& out, bool json, std::FILE* err);

}  // namespace ostrel
