#include "reports/cues/cues_report.hpp"

#include <cstdio>

#include "pass/facts.hpp"
#include "pass/pass.hpp"
#include "reports/tables/tables_output.hpp"
#include "psi/scte35/scte35.hpp"
#include "output/json_line.hpp"

namespace ostrel {
namespace {

constexpr std::uint64_t pts_wrap = std::uint64_t{1} << 33;

struct Context final : PassListener {
    Context(Output& o, bool as_json) : out(o), json(as_json) {}
    Output& out;
    bool json;
    DvbText text;
    const Analysis* a = nullptr;
    void section(unsigned pid, const AssembledSection& s, const Packet& packet) override;
};

// The program that lists the PID, or 0.
unsigned program_of(const Analysis& a, unsigned pid)
{
    const PidState& s = a.pids[pid];
    return (s.role & role_stream) ? a.programs[s.program].program_number : 0;
}

void Context::section(unsigned pid, const AssembledSection& s, const Packet& packet)
{
    Context& c = *this;
    if (section_table_id(s) != 0xFC)
        return;
    const Analysis& a = *c.a;
    double t = 0;  // seconds from the first packet
    const bool timed = time_known_now(a, packet.offset, t);
    const unsigned program = program_of(a, pid);
    DecodeContext dc{c.text};
    const SectionBytes section{s.data, s.stored};
    nlohmann::json object;
    if (c.json) {
        object = {{"packet", packet.number}, {"offset", packet.offset}, {"pid", pid},
                  {"program_number", program != 0 ? nlohmann::json(program) : nlohmann::json(nullptr)},
                  {"time_s", timed ? nlohmann::json(t) : nlohmann::json(nullptr)},
                  {"crc_ok", crc_correct(s)}};
    } else {
        char head[96];
        std::snprintf(head, sizeof head, "=> Cue:                     packet '%llu'd, byte '%llu'd, PID '%04X'h\n",
                      static_cast<unsigned long long>(packet.number), static_cast<unsigned long long>(packet.offset), pid);
        out_text(c.out, head);
        if (program != 0)
            put_field_line(c.out, "Program", joined({"'", std::to_string(program), "'d"}));
        if (timed) {
            std::snprintf(head, sizeof head, "'%.3f' s", t);
            put_field_line(c.out, "Time", head);
        }
        put_field_line(c.out, "CRC_32", crc_correct(s) ? "correct" : "wrong");
    }
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
    const ReportEnd result = pass_end(end, *a);
    delete_analysis(a);
    return result;
}

ReportEnd CuesReport::write(const ReportRun& run, SyncLog& log) { return report_cues(run.in, log.out, json, log.err); }

}  // namespace ostrel
