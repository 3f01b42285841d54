#include "psi/scte35/scte35.hpp"

#include "psi/scte35/scte35_descriptors.hpp"

namespace ostrel {
namespace {

constexpr std::uint64_t pts_wrap = std::uint64_t{1} << 33;

struct Splice {
    SinkFields& f;
    std::uint64_t adjustment;
    SpliceTimes& times;
};

double ticks_seconds(std::uint64_t ticks) { return static_cast<double>(ticks) / 90000.0; }

// splice_time(): the time adjusted, in ticks and seconds.
void splice_time(Splice& sp)
{
    SinkFields& f = sp.f;
    if (!f.flag("time_specified_flag")) {
        f.skip(7);
        return;
    }
    f.skip(6);
    const std::uint64_t pts = f.num("pts_time", 33);
    const std::uint64_t adjusted = (pts + sp.adjustment) % pts_wrap;
    f.seconds("splice_time_s", ticks_seconds(adjusted));
    if (f.ok() && !sp.times.splice_time_known) {
        sp.times.splice_time_known = true;
        sp.times.splice_pts = adjusted;
    }
}

void break_duration(SinkFields& f)
{
    f.flag("auto_return");
    f.skip(6);
    f.seconds("break_duration_s", ticks_seconds(f.num("duration", 33)));
}

// The fields after splice_event_id and its cancel flag, for splice_insert (`insert`) and splice_schedule.
void splice_event(Splice& sp, bool insert)
{
    SinkFields& f = sp.f;
    f.num("splice_event_id", 32);
    const bool cancel = f.flag("splice_event_cancel_indicator");
    f.skip(7);
    if (cancel)
        return;
    f.flag("out_of_network_indicator");
    const bool program = f.flag("program_splice_flag");
    const bool duration = f.flag("duration_flag");
    const bool immediate = insert && f.flag("splice_immediate_flag");
    f.skip(insert ? 4 : 5);
    if (program && !immediate) {
        if (insert)
            splice_time(sp);
        else
            f.num("utc_splice_time", 32);
    }
    if (!program) {
        counted_list(f, "components", "Component", f.num("component_count", 8), [&] {
            f.num("component_tag", 8);
            if (!insert)
                f.num("utc_splice_time", 32);
            else if (!immediate)
                splice_time(sp);
        });
    }
    if (duration)
        break_duration(f);
    f.num("unique_program_id", 16);
    f.num("avail_num", 8);
    f.num("avails_expected", 8);
}

void command(Splice& sp, unsigned type, std::size_t length)
{
    SinkFields& f = sp.f;
    switch (type) {
    case 0x00: case 0x07: return;  // splice_null, bandwidth_reservation
    case 0x04:
        counted_list(f, "events", "Event", f.num("splice_count", 8), [&] { splice_event(sp, false); });
        return;
    case 0x05: return splice_event(sp, true);
    case 0x06: return splice_time(sp);
    case 0xFF:
        f.chars("identifier", 4);
        f.bytes("private_bytes", length >= 4 ? length - 4 : 0);
        return;
    default: f.bytes("data", length);
    }
}

const char* command_name(unsigned type)
{
    switch (type) {
    case 0x00: return "splice_null";
    case 0x04: return "splice_schedule";
    case 0x05: return "splice_insert";
    case 0x06: return "time_signal";
    case 0x07: return "bandwidth_reservation";
    case 0xFF: return "private_command";
    default: return "reserved";
    }
}

}  // namespace

SpliceTimes decode_splice_info(const SectionBytes& section, DecodeContext& c, FieldSink& sink)
{
    SpliceTimes times;
    if (section.size < 3)
        return times;
    sink.code("sap_type", (section.data[1] >> 4) & 3, 1, "");
    Reader r = section_body(0xFC, section);  // from protocol_version to before CRC_32
    SinkFields f{r, sink, c};
    f.num("protocol_version", 8);
    const bool encrypted = f.flag("encrypted_packet");
    f.num("encryption_algorithm", 6);
    const std::uint64_t adjustment = f.num("pts_adjustment", 33);
    f.num("cw_index", 8);
    f.code("tier", 12);
    const std::size_t length = static_cast<std::size_t>(f.num("splice_command_length", 12));
    const unsigned type = static_cast<unsigned>(r.bits(8));
    if (!f.ok())
        return times;
    sink.code("splice_command_type", type, 2, command_name(type));
    if (encrypted) {
        f.text("encrypted", "the command and the descriptors are not decoded");
        return times;
    }
    Splice sp{f, adjustment, times};
    if (length == 0xFFF) {  // a length not given: the command's own syntax ends it
        command(sp, type, r.left());
    } else {
        Reader body = r.take(length);
        SinkFields g{body, sink, c};
        Splice inner{g, adjustment, times};
        command(inner, type, length);
        if (g.reported || !f.ok())
            return times;
    }
    Reader loop = r.take(static_cast<std::size_t>(r.bits(16)));
    if (f.ok())
        decode_splice_descriptors(loop, c, sink);
    return times;
}

}  // namespace ostrel
