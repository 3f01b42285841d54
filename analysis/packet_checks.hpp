// The checks of one packet that the pass runs, each in its own file:
// continuity, PCRs and PTS, and the PSI sections.
#pragma once

#include <cstddef>

#include "analysis/analysis.hpp"

namespace ostrel {

enum class Continuity {
    follows,    // the counter follows, or the packet has no payload, or the PID starts here
    duplicate,  // the previous packet once more: its payload was taken already
    broken,     // packets were lost or came out of order
};

// ISO/IEC 13818-1 2.4.3.3, with the findings for Continuity_count_error.
Continuity check_continuity(Analysis& a, PidState& s, const Packet& packet, unsigned pid, bool has_payload,
                            bool discontinuity);

// A PCR in the adaptation field: counts, PCR_repetition_error,
// PCR_discontinuity_indicator_error, PCR_accuracy_error, and the clock.
void take_pcr(Analysis& a, PidState& s, unsigned pid, const Packet& packet, bool discontinuity);

// A packet of an elementary stream named in a map table: PID_error, and
// PTS_error when its payload (from `payload_at`; packet_size for none) starts a PES packet.
void check_stream_packet(Analysis& a, PidState& s, const Packet& packet, unsigned pid, std::size_t payload_at);

// A packet with transport_scrambling_control not 00: PAT_error, PMT_error, CAT_error.
void check_scrambled(Analysis& a, const Packet& packet, unsigned pid, unsigned scrambling);

// The payload of a packet on a PID whose sections are gathered.
void gather_packet_sections(Analysis& a, SectionSlot& slot, unsigned pid, const Packet& packet,
                            std::size_t payload_at, bool unit_start);

}  // namespace ostrel
