// One decoder per table (ISO/IEC 13818-1 2.4.4, EN 300 468 5.2): the fields
// and loops of a complete table, its sections in section_number order, into
// the sink. The header that every section shares (table_id, extension,
// version, section numbers) is the demux's, not repeated here.
#pragma once

#include <cstddef>

#include "psi/decode_fields.hpp"
#include "psi/section_bytes.hpp"

namespace ostrel {

void decode_table(unsigned table_id, const SectionBytes* sections, unsigned count, DecodeContext& c,
                  FieldSink& sink);

}  // namespace ostrel
