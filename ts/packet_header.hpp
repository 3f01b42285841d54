// One 188-byte transport packet: header decoding and bounded access to its bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

inline constexpr std::size_t packet_size = 188;
inline constexpr unsigned char sync_byte_value = 0x47;

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

// The header of a packet read where it lies, for the paths that look at one
// packet at a time: each field one load and a mask (ISO/IEC 13818-1 2.4.3.2).
struct HeaderView {
    const unsigned char* p;  // the 188 bytes

    bool transport_error() const { return (p[1] & 0x80) != 0; }
    bool unit_start() const { return (p[1] & 0x40) != 0; }
    unsigned pid() const { return pid_field(p + 1); }
    unsigned scrambling() const { return p[3] >> 6; }
    unsigned adaptation_field_control() const { return p[3] >> 4 & 3u; }
    bool has_adaptation() const { return (p[3] & 0x20) != 0; }
    bool has_payload() const { return (p[3] & 0x10) != 0; }
    unsigned counter() const { return p[3] & 0x0Fu; }
    unsigned adaptation_length() const { return has_adaptation() ? p[4] : 0u; }
    // Flags of the adaptation field: its first byte after the length, when it has one.
    bool discontinuity() const { return adaptation_length() > 0 && (p[5] & 0x80) != 0; }
    bool random_access() const { return adaptation_length() > 0 && (p[5] & 0x40) != 0; }
    // Where the payload starts: 4, or past the adaptation field (perhaps past the packet).
    std::size_t payload_at() const { return has_adaptation() ? 5u + p[4] : 4u; }
};

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

// Position of the table_id byte: payload_start + pointer_field + 1, or
// packet_size when the pointer_field itself lies past the packet.
std::size_t section_start(const unsigned char* packet, const PacketHeader& h);

}  // namespace ostrel
