// PSI sections gathered across packets (ISO/IEC 13818-1 2.4.4): a section
// starts where the pointer_field of a packet with payload_unit_start_indicator
// 1 points, goes on in the payloads of the following packets of its PID, may
// be followed by more sections in the same packet (until a 0xFF stuffing
// byte), and ends after section_length bytes. Its CRC_32 is computed as the
// bytes arrive; the whole of it is kept.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

inline constexpr std::size_t max_private_section_bytes = 4096;  // section_length <= 4093 (EIT, private)
inline constexpr std::size_t max_section_bytes = max_private_section_bytes;
inline constexpr std::size_t max_psi_section_bytes = 1024;  // PAT, CAT, PMT: section_length <= 1021

// Starts zeroed (`SectionSlot slot{}`, or zeroed memory): no member has a
// default of its own, so that an array of slots in zeroed pages is not
// written, and so not paged in, until a slot is used.
struct SectionSlot {
    unsigned char data[max_section_bytes];  // the section's first bytes, table_id first
    std::size_t have;                       // bytes received so far
    std::size_t total;                      // 3 + section_length; 0 until the 3 header bytes are in
    std::uint32_t crc;                      // over the bytes before the last four
    std::uint32_t carried;                  // the last four bytes: the CRC_32 field
    bool active;                            // a section is being gathered
};

// A section just completed in its slot.
struct AssembledSection {
    const unsigned char* data;  // its first bytes
    std::size_t stored;         // how many of them are kept
    std::size_t length;         // 3 + section_length
    bool has_crc;               // the last four bytes are CRC_32 (carries_crc)
    std::uint32_t carried;      // the CRC_32 field
    std::uint32_t computed;     // the CRC_32 of the bytes before it
};

// section_syntax_indicator 1, or a time_offset_section (table_id 0x73,
// EN 300 468 5.2.6) or a splice_info_section (0xFC, SCTE 35), which have it
// 0 and carry a CRC_32 all the same.
inline bool carries_crc(unsigned table_id, unsigned byte1)
{
    return (byte1 & 0x80) != 0 || table_id == 0x73 || table_id == 0xFC;
}

inline bool crc_correct(const AssembledSection& s) { return !s.has_crc || s.carried == s.computed; }
inline unsigned section_table_id(const AssembledSection& s) { return s.data[0]; }

// Drops a section in progress (a lost packet, a lost sync byte).
inline void abandon_section(SectionSlot& slot) { slot.active = false; }

// Told of each section as it completes.
struct SectionDone {
    virtual void section(const AssembledSection& section) = 0;

protected:
    ~SectionDone() = default;
};

// Takes one packet's payload; `done` hears of each section completed in it.
void assemble_sections(SectionSlot& slot, const unsigned char* payload, std::size_t length, bool unit_start,
                       SectionDone& done);

}  // namespace ostrel
