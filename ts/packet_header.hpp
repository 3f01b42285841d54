// One 188-byte transport packet: header decoding and bounded access to its bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

inline constexpr std::size_t packet_size = 188;
inline constexpr unsigned char sync_byte_value = 0x47;
inline constexpr unsigned no_byte = 0x100;  // what packet_byte gives past the packet

struct PacketHeader {
    unsigned sync_byte;
    unsigned transport_error_indicator;
    unsigned payload_unit_start_indicator;
    unsigned transport_priority;
    unsigned PID;
    unsigned transport_scrambling_control;
    unsigned adaptation_field_control;
    unsigned continuity_counter;
    unsigned adaptation_field_length;  // 0 unless adaptation_field_control is 2 or 3
};

PacketHeader decode_header(const unsigned char* packet);

// A 13-bit PID in two bytes, 3 bits before it (in the packet header and in tables).
inline unsigned pid_field(const unsigned char* b) { return static_cast<unsigned>(b[0] & 0x1F) << 8 | b[1]; }

// The 13-bit PID alone, for the scans that look at nothing else.
inline unsigned packet_pid(const unsigned char* packet) { return pid_field(packet + 1); }

inline bool has_adaptation_field(const PacketHeader& h) { return (h.adaptation_field_control & 2) != 0; }

// Four bytes, most significant first.
inline std::uint32_t be32_at(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// The low 30 bits of the 4-byte header before a 192-byte packet: its arrival
// time on a 27 MHz clock.
inline std::uint32_t arrival_time_stamp(const unsigned char* header) { return be32_at(header) & 0x3FFFFFFF; }

// A program clock reference (PCR or OPCR) in its 6 bytes: a 33-bit base at
// 90 kHz, 6 reserved bits, a 9-bit extension; in all, base x 300 + extension
// ticks of 27 MHz.
struct ClockReference {
    std::uint64_t base;
    unsigned extension;
};

inline ClockReference read_clock_reference(const unsigned char* b)
{
    return {static_cast<std::uint64_t>(b[0]) << 25 | static_cast<std::uint64_t>(b[1]) << 17 |
                static_cast<std::uint64_t>(b[2]) << 9 | static_cast<std::uint64_t>(b[3]) << 1 | b[4] >> 7,
            (b[4] & 1u) << 8 | b[5]};
}

// True when the packet's adaptation field holds a PCR (PCR_flag set and room for it).
inline bool has_pcr(const unsigned char* packet)
{
    return (packet[3] & 0x20) && packet[4] >= 7 && (packet[5] & 0x10);
}

inline std::uint64_t clock_reference_ticks(const unsigned char* b)
{
    const ClockReference c = read_clock_reference(b);
    return c.base * 300 + c.extension;
}

// Position of the first payload byte as the section reports see it:
// 4, or adaptation_field_length + 5 without wrapping (so it may lie past the packet).
inline std::size_t payload_start(const PacketHeader& h)
{
    return has_adaptation_field(h) ? h.adaptation_field_length + 5 : 4;
}

// The byte at `pos`, or no_byte when `pos` lies past the end of the packet.
// Every read of a section field goes through here.
inline unsigned packet_byte(const unsigned char* packet, std::size_t pos)
{
    return pos < packet_size ? packet[pos] : no_byte;
}

// Position of the table_id byte: payload_start + pointer_field + 1, or
// packet_size when the pointer_field itself lies past the packet.
std::size_t section_start(const unsigned char* packet, const PacketHeader& h);

}  // namespace ostrel
