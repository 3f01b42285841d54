// What the PAT and PMT reports share: the first packet that starts a section
// on a PID, the section's place in it, and reads that never pass its end.
#pragma once

#include <cstddef>

#include "output/output.hpp"
#include "ts/packet_header.hpp"
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

// True when the packet holds the section's bytes up to `last_offset`.
inline bool section_holds(const Section& s, std::size_t last_offset) { return s.start + last_offset < packet_size; }

inline unsigned section_byte(const Section& s, std::size_t offset) { return packet_byte(s.packet, s.start + offset); }

// A 10-bit length or 13-bit PID from the bytes at offset and offset + 1.
inline unsigned section_bits(const Section& s, std::size_t offset, unsigned high_mask)
{
    return (section_byte(s, offset) & high_mask) << 8 | section_byte(s, offset + 1);
}

// The header fields both tables share; their bytes must lie inside the packet.
inline long section_length(const Section& s) { return section_bits(s, 1, 0x03); }
inline unsigned version_number(const Section& s) { return (section_byte(s, 5) >> 1) & 0x1F; }

// Room for one report line.
inline char* line_space(Output& out) { return out_space(out, 256); }

// "<label>'<value>'d\n", the decimal field line of the table reports.
void put_dec_field(Output& out, std::string_view label, long value);

// "<label>'<hh>'h, <text>\n", the table_id line, in lower-case hex.
void put_table_id_field(Output& out, std::string_view label, unsigned table_id);

}  // namespace ostrel
