#include "psi/table_decoders.hpp"

#include "psi/scte35/scte35.hpp"
#include "psi/table_decoding.hpp"
#include "psi/table_registry.hpp"

namespace ostrel {

void decode_splice_table(const Table& t) { decode_splice_info(t.sections[0], t.c, t.s); }

void decode_data_table(const Table& t)
{
    for (unsigned i = 0; i < t.count; ++i) {
        Reader r = section_body(t.table_id, t.sections[i]);
        SinkFields f{r, t.s, t.c};
        f.rest("data");
    }
}

void decode_table(unsigned table_id, const SectionBytes* sections, unsigned count, DecodeContext& c,
                  FieldSink& sink)
{
    if (count == 0)
        return;
    const TableKind* kind = table_kind(table_id);
    (kind != nullptr ? kind->decode : decode_data_table)(Table{sections, count, table_id, c, sink});
}

}  // namespace ostrel
