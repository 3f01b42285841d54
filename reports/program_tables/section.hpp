// What the PAT and PMT reports share: the first packet that starts a section
// on a PID, the section's place in it, and reads that never pass its end.
#pragma once

#include <cstddef>

#include "output/output.hpp"
#include "ts/packet_header.hpp"
#include "ts/pids.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

struct Section {
    unsigned char packet[packet_size];
    std::size_t pointer_at;  // payload_start: where pointer_field stands
    std::size_t start;       // section_start: where table_id stands
};

// Finds the packet and locates its section; ReportEnd::done when found.
// Either position may lie past the packet.
ReportEnd find_section(const PacketInput& in, SyncLog& log, unsigned pid, Section& section);

// The section's bytes from table_id, and how many of them the packet holds
// (none when the pointer_field points past it).
inline const unsigned char* section_bytes(const Section& s)
{
    return s.packet + (s.start < packet_size ? s.start : packet_size);
}
inline std::size_t section_held(const Section& s) { return s.start < packet_size ? packet_size - s.start : 0; }

// Room for one report line.
inline char* line_space(Output& out) { return out_space(out, 256); }

// "<label>'<value>'d\n", the decimal field line of the table reports.
void put_dec_field(Output& out, std::string_view label, long value);

// "<label>'<hh>'h, <text>\n", the table_id line, in lower-case hex.
void put_table_id_field(Output& out, std::string_view label, unsigned table_id);

}  // namespace ostrel
