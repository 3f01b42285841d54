// The checks of one packet that the pass runs, each in its own file:
// continuity, PCRs and PTS, and the PSI sections.
#pragma once

#include <cstddef>

#include "pass/analysis.hpp"

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
void take_pcr(Analysis& a, const PidState& stream, unsigned pid, const Packet& packet, bool discontinuity);

// A packet of an elementary stream whose payload (from `payload_at`) starts a
// unit: PTS_error when it starts a PES packet with a PTS.
void check_pts(Analysis& a, const PidState& stream, const Packet& packet, unsigned pid, std::size_t payload_at);

// Notes a stream's packet as seen when the PMT names it.
void start_absence(Analysis& a, PidState& s, unsigned pid, std::uint64_t offset);

// A packet with transport_scrambling_control not 00: PAT_error, PMT_error, CAT_error.
void check_scrambled(Analysis& a, const Packet& packet, unsigned pid, unsigned scrambling);

// The priority 3 checks of an SI section with a correct CRC_32 (after the
// demux took it), and those made at the end of the file.
void check_si_section(Analysis& a, unsigned pid, const unsigned char* data, std::size_t size, const Packet& packet);
void end_si_checks(Analysis& a);

// The payload of a packet on a PID whose sections are gathered.
void gather_packet_sections(Analysis& a, SectionSlot& slot, unsigned pid, const Packet& packet,
                            std::size_t payload_at, bool unit_start);

}  // namespace ostrel
