// The tables of EN 300 468 (5.2): NIT, BAT, SDT, EIT, TDT, TOT and RST, field
// by field into the sink.
#include "psi/dvb/si_time.hpp"
#include "psi/table_decoding.hpp"
#include "ts/si_texts.hpp"

namespace ostrel {
namespace {

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

}  // namespace

// NIT and BAT: the first loop's descriptors of every section, then the transport streams.
void decode_network_table(const Table& t)
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

void decode_sdt_table(const Table& t)
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

void decode_eit_table(const Table& t)
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

void decode_time_table(const Table& t)
{
    Reader r = section_body(t.table_id, t.sections[0]);
    SinkFields f{r, t.s, t.c};
    f.text("utc_time", mjd_utc_text(r.bits(40)));
    if (t.table_id == 0x73)
        descriptors_here(f);
}

void decode_rst_table(const Table& t)
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

}  // namespace ostrel
