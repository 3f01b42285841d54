// A complete section as the demux keeps it, and the reads every table
// decoder starts from: where the body lies between the header and the CRC_32.
#pragma once

#include <cstddef>

#include "psi/section_assembler.hpp"
#include "ts/reader.hpp"

namespace ostrel {

// section_length of a PAT, CAT or PMT is at most 1021 (ISO/IEC 13818-1 2.4.4.4).
inline constexpr unsigned max_section_length = static_cast<unsigned>(max_psi_section_bytes) - 3;

struct SectionBytes {
    const unsigned char* data;  // from table_id to the end of the section (its CRC_32 included)
    std::size_t size;
};

// The header of a section in the long form (ISO/IEC 13818-1 2.4.4.10), as far
// as `size` bytes from table_id hold it (the fields past them read as 0).
struct LongHeader {
    unsigned table_id;
    unsigned section_length;  // 12 bits
    unsigned extension;       // transport_stream_id, program_number, ...
    unsigned reserved;        // the 2 bits before version_number
    unsigned version_number;
    unsigned current_next_indicator;
};
LongHeader read_long_header(const unsigned char* bytes, std::size_t size);

// The bytes after the section's header (8 bytes in the long form, 3 in the
// short) and before its CRC_32.
Reader section_body(unsigned table_id, const SectionBytes& section);

}  // namespace ostrel
