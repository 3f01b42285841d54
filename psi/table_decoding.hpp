// What the decoders of each table family share: the table at hand (its
// sections, the context of DVB text and private data, the sink) and the
// reads of a loop and of a list of entries over every section.
#pragma once

#include <string_view>

#include "psi/decode_fields.hpp"
#include "psi/descriptors.hpp"
#include "psi/section_bytes.hpp"

namespace ostrel {

struct Table {
    const SectionBytes* sections;  // in section_number order, at least one
    unsigned count;
    unsigned table_id;
    DecodeContext& c;
    FieldSink& s;
};

// A loop of `length_bits` bytes after reserved bits, as a reader.
inline Reader loop_of(SinkFields& f, unsigned reserved_bits, unsigned length_bits)
{
    f.r.bits(reserved_bits);
    return f.r.take(static_cast<std::size_t>(f.r.bits(length_bits)));
}

inline void descriptors_here(SinkFields& f, unsigned reserved_bits = 4)
{
    Reader loop = loop_of(f, reserved_bits, 12);
    if (f.ok())
        decode_descriptors(loop, f.c, f.s);
}

// Entries of every section's loop in one list; `skip` moves each section's
// reader to its loop, `entry` reads one.
template <class Skip, class Entry>
void entries(const Table& t, std::string_view list, std::string_view label, Skip skip, Entry entry)
{
    t.s.begin_list(list);
    for (unsigned i = 0; i < t.count; ++i) {
        Reader r = section_body(t.table_id, t.sections[i]);
        SinkFields f{r, t.s, t.c};
        Reader loop = skip(f);
        SinkFields g{loop, t.s, t.c};
        while (g.more()) {
            t.s.begin_item(label);
            entry(g);
            t.s.end_item();
        }
    }
    t.s.end_list();
}

inline Reader whole(SinkFields& f) { return f.r.rest(); }

// The decoders of each family, named in the table registry.
void decode_pat_table(const Table& t);
void decode_cat_table(const Table& t);
void decode_pmt_table(const Table& t);
void decode_network_table(const Table& t);  // NIT and BAT
void decode_sdt_table(const Table& t);
void decode_eit_table(const Table& t);
void decode_time_table(const Table& t);  // TDT and TOT
void decode_rst_table(const Table& t);
void decode_splice_table(const Table& t);
void decode_data_table(const Table& t);  // a table of no known syntax: its bytes

}  // namespace ostrel
