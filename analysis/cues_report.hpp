// --cues: every SCTE 35 splice_info_section in stream order, decoded, with
// its place, time, CRC_32 status and pre-roll.
#pragma once

#include <cstdio>

#include "packets/output.hpp"
#include "packets/report_end.hpp"

namespace ostrel {

ReportEnd report_cues(const PacketInput& in, Output& out, bool json, std::FILE* err);

}  // namespace ostrel
