// SCTE 35 splice_info_section (ANSI/SCTE 35 section 9): every field of the
// section, its command and its splice descriptors into the sink, and the
// times a report works out from them.
#pragma once

#include <cstdint>

#include "psi/decode_fields.hpp"
#include "psi/table_decoders.hpp"

namespace ostrel {

struct SpliceTimes {
    bool splice_time_known = false;  // a splice_time with time_specified_flag 1 (the program's, or the first)
    std::uint64_t splice_pts = 0;    // pts_time + pts_adjustment, modulo 2^33, in 90 kHz ticks
};

// The section from table_id to its CRC_32 (checked by the caller).
SpliceTimes decode_splice_info(const SectionBytes& section, DecodeContext& c, FieldSink& sink);

}  // namespace ostrel
