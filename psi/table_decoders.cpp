#include "psi/table_decoders.hpp"

#include "psi/model/cat.hpp"
#include "psi/model/pat.hpp"
#include "psi/model/pmt.hpp"
#include "psi/scte35/scte35.hpp"
#include "psi/section_assembler.hpp"
#include "psi/dvb/si_time.hpp"
#include "ts/description_texts.hpp"
#include "ts/si_texts.hpp"

namespace ostrel {
namespace {

struct Table {
    const SectionBytes* sections;
    unsigned count;
    unsigned table_id;
    DecodeContext& c;
    FieldSink& s;
};

// A loop of `length_bits` bytes after reserved bits, as a reader.
Reader loop_of(SinkFields& f, unsigned reserved_bits, unsigned length_bits)
{
    f.r.bits(reserved_bits);
    return f.r.take(static_cast<std::size_t>(f.r.bits(length_bits)));
}

void descriptors_here(SinkFields& f, unsigned reserved_bits = 4)
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

Reader whole(SinkFields& f) { return f.r.rest(); }

void pat(const Table& t)
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

void cat(const Table& t)
{
    t.s.begin_list("descriptors");
    for (unsigned i = 0; i < t.count; ++i)
        decode_descriptor_items(cat_descriptors(t.sections[i]), t.c, t.s);
    t.s.end_list();
}

// One entry of the map section's loop: what the bytes hold of it.
void pmt_stream(const Table& t, const PmtStream& e)
{
    t.s.begin_item("Stream");
    t.s.code("stream_type", e.stream_type, 2, stream_type_text(e.stream_type));
    if (e.held >= PmtHeld::pid)
        t.s.code("pid", e.elementary_pid, 4, {});
    if (e.held == PmtHeld::whole)
        decode_descriptors(Reader{e.es_info, e.es_info_held}, t.c, t.s);
    else
        t.s.cut();
    t.s.end_item();
}

void pmt(const Table& t)
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

// NIT and BAT: the first loop's descriptors of every section, then the transport streams.
void network(const Table& t)
{
    t.s.begin_list("descriptors");
    for (unsigned i = 0; i < t.count; ++i) {
        Reader r = section_body(t.table_id, t.sections[i]);
        SinkFields f{r, t.s, t.c};
        Reader loop = loop_of(f, 4, 12);
        if (f.ok())
            decode_descriptor_items(loop, t.c, t.s);
    }
    t.s.end_list();
    const auto skip = [](SinkFields& f) {
        loop_of(f, 4, 12);
        return loop_of(f, 4, 12);
    };
    entries(t, "transport_streams", "Transport stream", skip, [](SinkFields& g) {
        g.num("transport_stream_id", 16);
        g.num("original_network_id", 16);
        descriptors_here(g);
    });
}

void sdt(const Table& t)
{
    Reader r = section_body(t.table_id, t.sections[0]);
    SinkFields f{r, t.s, t.c};
    f.num("original_network_id", 16);
    const auto skip = [](SinkFields& g) {
        g.r.bits(24);
        return g.r.rest();
    };
    entries(t, "services", "Service", skip, [](SinkFields& g) {
        g.num("service_id", 16);
        g.skip(6);
        g.flag("eit_schedule");
        g.flag("eit_present_following");
        const unsigned running = static_cast<unsigned>(g.r.bits(3));
        if (g.ok())
            g.s.code("running_status", running, 1, running_status_text(running));
        g.flag("free_ca_mode");
        descriptors_here(g, 0);
    });
}

void event_fields(SinkFields& g)
{
    g.num("event_id", 16);
    g.text("start_time", mjd_utc_text(g.r.bits(40)));
    g.text("duration", bcd_duration_text(static_cast<std::uint32_t>(g.r.bits(24))));
    const unsigned running = static_cast<unsigned>(g.r.bits(3));
    if (g.ok())
        g.s.code("running_status", running, 1, running_status_text(running));
    g.flag("free_ca_mode");
    descriptors_here(g, 0);
}

void eit(const Table& t)
{
    Reader r = section_body(t.table_id, t.sections[0]);
    SinkFields f{r, t.s, t.c};
    f.num("transport_stream_id", 16);
    f.num("original_network_id", 16);
    f.num("segment_last_section_number", 8);
    f.code("last_table_id", 8);
    const auto skip = [](SinkFields& g) {
        g.r.bits(48);
        return g.r.rest();
    };
    entries(t, "events", "Event", skip, event_fields);
}

void tdt_tot(const Table& t)
{
    Reader r = section_body(t.table_id, t.sections[0]);
    SinkFields f{r, t.s, t.c};
    f.text("utc_time", mjd_utc_text(r.bits(40)));
    if (t.table_id == 0x73)
        descriptors_here(f);
}

void rst(const Table& t)
{
    entries(t, "events", "Event", whole, [](SinkFields& g) {
        g.num("transport_stream_id", 16);
        g.num("original_network_id", 16);
        g.num("service_id", 16);
        g.num("event_id", 16);
        g.skip(5);
        const unsigned running = static_cast<unsigned>(g.r.bits(3));
        if (g.ok())
            g.s.code("running_status", running, 1, running_status_text(running));
    });
}

void data_only(const Table& t)
{
    for (unsigned i = 0; i < t.count; ++i) {
        Reader r = section_body(t.table_id, t.sections[i]);
        SinkFields f{r, t.s, t.c};
        f.rest("data");
    }
}

}  // namespace

void decode_table(unsigned table_id, const SectionBytes* sections, unsigned count, DecodeContext& c,
                  FieldSink& sink)
{
    if (count == 0)
        return;
    const Table t{sections, count, table_id, c, sink};
    switch (table_id) {
    case 0x00: return pat(t);
    case 0x01: return cat(t);
    case 0x02: return pmt(t);
    case 0x40: case 0x41: case 0x4A: return network(t);
    case 0x42: case 0x46: return sdt(t);
    case 0x70: case 0x73: return tdt_tot(t);
    case 0x71: return rst(t);
    case 0xFC: decode_splice_info(t.sections[0], t.c, t.s); return;
    default:
        if (table_id >= 0x4E && table_id <= 0x6F)
            return eit(t);
        return data_only(t);
    }
}

}  // namespace ostrel
