// The tables of ISO/IEC 13818-1 (2.4.4): the PAT, the CAT and the PMT, from
// their decoded structs into the sink.
#include "psi/model/cat.hpp"
#include "psi/model/pat.hpp"
#include "psi/model/pmt.hpp"
#include "psi/table_decoding.hpp"
#include "ts/description_texts.hpp"

namespace ostrel {
namespace {

// One entry of the map section's loop: what the bytes hold of it.
void pmt_stream(const Table& t, const PmtStream& e)
{
    t.s.begin_item("Stream");
    t.s.code("stream_type", e.stream_type, 2, stream_type_name(e.stream_type));
    if (e.held >= PmtHeld::pid)
        t.s.code("pid", e.elementary_pid, 4, {});
    if (e.held == PmtHeld::whole)
        decode_descriptors(Reader{e.es_info, e.es_info_held}, t.c, t.s);
    else
        t.s.cut();
    t.s.end_item();
}

}  // namespace

void decode_pat_table(const Table& t)
{
    t.s.begin_list("programs");
    for (unsigned i = 0; i < t.count; ++i) {
        PatSection pat;
        decode_pat(t.sections[i], pat);
        for (unsigned k = 0; k < pat.count; ++k) {
            t.s.begin_item("Program");
            t.s.number("program_number", pat.entries[k].program_number);
            t.s.code("pid", pat.entries[k].pid, 4, {});
            t.s.end_item();
        }
        if (pat.tail > 0) {  // an entry cut short: its program_number where the bytes hold it
            t.s.begin_item("Program");
            if (pat.tail >= 2)
                t.s.number("program_number", pat.entries[pat.count].program_number);
            t.s.cut();
            t.s.end_item();
        }
    }
    t.s.end_list();
}

void decode_cat_table(const Table& t)
{
    t.s.begin_list("descriptors");
    for (unsigned i = 0; i < t.count; ++i)
        decode_descriptor_items(cat_descriptors(t.sections[i]), t.c, t.s);
    t.s.end_list();
}

void decode_pmt_table(const Table& t)
{
    PmtSection pmt;
    decode_pmt(t.sections[0], pmt);
    if (pmt.pcr_known)
        t.s.code("pcr_pid", pmt.pcr_pid, 4, {});
    if (pmt.info_known && pmt.program_info_held == pmt.program_info_length)
        decode_descriptors(Reader{pmt.program_info, pmt.program_info_held}, t.c, t.s);
    else
        t.s.cut();
    // The streams of every section, in one list.
    t.s.begin_list("streams");
    for (unsigned i = 0; i < t.count; ++i) {
        if (i > 0)
            decode_pmt(t.sections[i], pmt);
        Reader loop = pmt.loop;
        PmtStream e;
        while (next_pmt_stream(loop, e))
            pmt_stream(t, e);
    }
    t.s.end_list();
}

}  // namespace ostrel
