#include "reports/cues/cues_report.hpp"

#include <cstdio>
#include <cstring>

#include "pass/facts.hpp"
#include "pass/pass.hpp"
#include "pass/timeline.hpp"
#include "reports/tables/tables_output.hpp"
#include "psi/scte35/scte35.hpp"
#include "output/json_line.hpp"

namespace ostrel {
namespace {

constexpr std::uint64_t pts_wrap = std::uint64_t{1} << 33;

// A cue waits for the PCR after it, which gives it its time between the
// PCRs around it, as every report times a packet; at most max_held wait.
struct HeldCue {
    unsigned pid;
    std::uint64_t number, offset;
    bool crc_ok;
    std::size_t size;
    unsigned char data[4096];  // a splice_info_section is at most 4096 bytes (section_length 12 bits)
};
inline constexpr unsigned max_held = 16;

struct Context final : PassListener {
    Context(Output& o, bool as_json) : out(o), json(as_json) {}
    Output& out;
    bool json;
    DvbText text;
    const Analysis* a = nullptr;
    unsigned held_count = 0;
    HeldCue held[max_held];
    void section(unsigned pid, const AssembledSection& s, const Packet& packet) override;
    void stretch(const Analysis& a, const Stretch& ended) override;
    void put_cue(const HeldCue& cue, bool timed, double t);
    void put_held(bool timed, const Stretch* ended);
};

// The program that lists the PID, or 0.
unsigned program_of(const Analysis& a, unsigned pid)
{
    const PidState& s = a.pids[pid];
    return (s.role & role_stream) ? a.programs[s.program].program_number : 0;
}

void Context::section(unsigned pid, const AssembledSection& s, const Packet& packet)
{
    if (section_table_id(s) != 0xFC)
        return;
    if (held_count == max_held) {  // more cues than wait: the oldest at the clock's time as it stands
        double t = 0;
        const bool timed = time_known_now(*a, held[0].offset, t);
        put_cue(held[0], timed, t);
        for (unsigned i = 1; i < held_count; ++i)
            held[i - 1] = held[i];
        --held_count;
    }
    HeldCue& cue = held[held_count++];
    cue.pid = pid;
    cue.number = packet.number;
    cue.offset = packet.offset;
    cue.crc_ok = crc_correct(s);
    cue.size = s.stored < sizeof cue.data ? s.stored : sizeof cue.data;
    std::memcpy(cue.data, s.data, cue.size);
}

void Context::put_held(bool timed, const Stretch* ended)
{
    for (unsigned i = 0; i < held_count; ++i)
        put_cue(held[i], timed, timed ? stretch_time_at(*a, *ended, held[i].offset) - a->origin : 0);
    held_count = 0;
}

void Context::stretch(const Analysis&, const Stretch& ended) { put_held(true, &ended); }

void Context::put_cue(const HeldCue& cue, bool timed, double t)
{
    Context& c = *this;
    const Analysis& a = *c.a;
    const unsigned pid = cue.pid;
    const unsigned program = program_of(a, pid);
    const SectionBytes section{cue.data, cue.size};
    nlohmann::json object;
    if (c.json) {
        object = {{"packet", cue.number}, {"offset", cue.offset}, {"pid", pid},
                  {"program_number", program != 0 ? nlohmann::json(program) : nlohmann::json(nullptr)},
                  {"time_s", timed ? nlohmann::json(t) : nlohmann::json(nullptr)},
                  {"crc_ok", cue.crc_ok}};
    } else {
        char head[96];
        std::snprintf(head, sizeof head, "=> Cue:                     packet '%llu'd, byte '%llu'd, PID '%04X'h\n",
                      static_cast<unsigned long long>(cue.number), static_cast<unsigned long long>(cue.offset), pid);
        out_text(c.out, head);
        if (program != 0)
            put_field_line(c.out, "Program", joined({"'", std::to_string(program), "'d"}));
        if (timed) {
            std::snprintf(head, sizeof head, "'%.3f' s", t);
            put_field_line(c.out, "Time", head);
        }
        put_field_line(c.out, "CRC_32", cue.crc_ok ? "correct" : "wrong");
    }
    DecodeContext dc{c.text};
    const std::unique_ptr<FieldSink> sink = c.json ? json_field_sink(object) : text_field_sink(c.out);
    const SpliceTimes times = decode_splice_info(section, dc, *sink);
    // Pre-roll: the splice time minus the program's clock here (PCR / 300, 90 kHz).
    bool preroll_known = times.splice_time_known && timed && a.clock.pcrs > 0;
    double preroll = 0;
    if (preroll_known) {
        // The clock's time counts from the first PCR; the packet's from the first packet.
        const double pcr = static_cast<double>(a.clock.first_pcr) + (t + a.origin) * pcr_hz;
        const auto clock90 = static_cast<std::uint64_t>(pcr / 300) % pts_wrap;
        std::int64_t d = static_cast<std::int64_t>((times.splice_pts + pts_wrap - clock90) % pts_wrap);
        if (d > static_cast<std::int64_t>(pts_wrap / 2))
            d -= static_cast<std::int64_t>(pts_wrap);
        preroll = static_cast<double>(d) / 90000.0;
    }
    if (c.json) {
        object["preroll_s"] = preroll_known ? nlohmann::json(preroll) : nlohmann::json(nullptr);
        put_json_line(c.out, object);
    } else {
        if (preroll_known) {
            char text[48];
            std::snprintf(text, sizeof text, "'%.3f' s", preroll);
            put_field_line(c.out, "Pre-roll", text);
        }
        out_text(c.out, "\n");
    }
}

}  // namespace

ReportEnd report_cues(const PacketInput& in, Output& out, bool json, std::FILE* err)
{
    Context context{out, json};
    Analysis* const a = new_analysis(&context);
    if (a == nullptr)
        return ReportEnd::out_of_memory;
    context.a = a;
    const ScanEnd end = run_pass(in, *a, err);
    context.put_held(false, nullptr);  // no PCR after them: no time
    const ReportEnd result = pass_end(end, *a);
    delete_analysis(a);
    return result;
}

ReportEnd CuesReport::write(const ReportRun& run, SyncLog& log) { return report_cues(run.in, log.out, json, log.err); }

}  // namespace ostrel
