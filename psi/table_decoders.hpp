// One decoder per table (ISO/IEC 13818-1 2.4.4, EN 300 468 5.2): the fields
// and loops of a complete table, its sections in section_number order, into
// the sink. The header that every section shares (table_id, extension,
// version, section numbers) is the demux's, not repeated here.
#pragma once

#include <cstddef>

#include "psi/decode_fields.hpp"

namespace ostrel {

struct SectionBytes {
    const unsigned char* data;  // from table_id to the end of the section (its CRC_32 included)
    std::size_t size;
};

void decode_table(unsigned table_id, const SectionBytes* sections, unsigned count, DecodeContext& c,
                  FieldSink& sink);

// The bytes after the section's header and before its CRC_32.
Reader section_body(unsigned table_id, const SectionBytes& section);

}  // namespace ostrel
