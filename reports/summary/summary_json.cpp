#include <nlohmann/json.hpp>

#include "reports/summary/capture_output.hpp"
#include "pass/facts.hpp"
#include "reports/summary/stream_facts.hpp"
#include "psi/dvb/si_time.hpp"
#include "ts/si_texts.hpp"
#include "reports/summary/summary_output.hpp"
#include "ts/description_texts.hpp"

namespace ostrel {
namespace {

using nlohmann::json;

template <class T>
json known(bool is_known, const T& value)
{
    return is_known ? json(value) : json(nullptr);
}

json stream_json(const Analysis& a, const Program& program, const StreamEntry& e)
{
    const StreamFacts facts = stream_facts(a, program, e);
    static const StreamFormat none;
    const StreamFormat& f = facts.format != nullptr ? *facts.format : none;
    return {{"pid", e.pid},
            {"stream_type", e.stream_type},
            {"stream_type_text", std::string(stream_type_name(e.stream_type))},
            // The ISO_639_language_descriptor's code, else the first a subtitling or teletext descriptor gives.
            {"language", e.language[0] != 0     ? json(e.language)
                         : facts.languages.empty() ? json(nullptr)
                                                   : json(facts.languages.front())},
            {"languages", facts.languages},
            {"codec", facts.codec.codec},
            {"codec_text", facts.codec.text},
            {"profile", known(f.profile[0] != 0, f.profile)},
            {"level", known(f.level[0] != 0, f.level)},
            {"width", known(f.width > 0, f.width)},
            {"height", known(f.height > 0, f.height)},
            {"frame_rate", known(f.frame_rate > 0, f.frame_rate)},
            {"interlaced", known(f.interlaced >= 0, f.interlaced == 1)},
            {"chroma_format", known(f.chroma_format[0] != 0, f.chroma_format)},
            {"bit_depth", known(f.bit_depth > 0, f.bit_depth)},
            {"sample_rate", known(f.sample_rate > 0, f.sample_rate)},
            {"channels", known(f.channels > 0, f.channels)},
            {"lfe", known(f.lfe >= 0, f.lfe == 1)},
            {"bitrate_bps", known(f.bitrate > 0, f.bitrate)},
            {"cues", known(std::string_view(facts.codec.codec) == "scte_35", a.carries[e.pid].cues)}};
}

json programs_json(const Analysis& a, DvbText& dvb)
{
    json programs = json::array();
    for (unsigned i = 0; i < a.program_count; ++i) {
        const Program& program = a.programs[i];
        json streams = json::array();
        StreamEntry entries[max_streams];
        const unsigned n = program.has_pmt ? program_streams(program, entries, max_streams) : 0;
        for (unsigned k = 0; k < n; ++k)
            streams.push_back(stream_json(a, program, entries[k]));
        const ProgramFacts facts = program_facts(a, program, dvb);
        const ServiceInfo& s = facts.service;
        programs.push_back({{"program_number", program.program_number},
                            {"service_name", known(s.found, s.name)},
                            {"service_provider", known(s.found, s.provider)},
                            {"service_type", known(s.found, s.service_type)},
                            {"service_type_text", known(s.found, std::string(service_type_text(s.service_type)))},
                            {"pmt_pid", program.pmt_pid},
                            {"pmt_versions", facts.pmt_versions},
                            {"last_pmt_packet", known(facts.pmt_versions > 0, facts.last_pmt_packet)},
                            {"pcr_pid", program.has_pmt ? json(pcr_pid(program)) : json(nullptr)},
                            {"pmt_crc_errors", program.pmt_crc_errors},
                            {"streams", streams}});
    }
    return programs;
}

json pids_json(const Analysis& a, const Duration& d)
{
    json pids = json::array();
    for_each_used_pid(a, [&](unsigned pid, const PidState& s) {
        std::vector<unsigned> programs;
        const std::string carries = pid_carries(a, pid, programs);
        pids.push_back(
            {{"pid", pid},
             {"packets", s.packets},
             {"share_percent", 100.0 * static_cast<double>(s.packets) / static_cast<double>(a.packets)},
             {"bitrate_bps", d.known ? json(static_cast<double>(s.packets) * packet_size * 8 / d.seconds)
                                     : json(nullptr)},
             {"carries", carries},
             {"program_number", programs.empty() ? json(nullptr) : json(programs.front())},
             {"program_numbers", programs},
             {"unit_starts", s.unit_starts},
             {"cc_errors", s.cc_errors},
             {"transport_errors", s.transport_errors},
             {"scrambled", s.scrambled},
             {"pcrs", a.pcr_states[pid].pcrs}});
    });
    return pids;
}

}  // namespace

void put_summary_json(Output& out, const Analysis& a, const char* name, const CaptureFlow* flow)
{
    const Duration d = capture_duration(a);
    const PidTotals totals = pid_totals(a);
    DvbText dvb;
    const CaptureFacts capture = capture_facts(a, dvb);
    json summary = {
        {"file", name},
        {"bytes", a.bytes},
        {"packet_size", a.packet_size},
        {"packets", a.packets},
        {"skipped_bytes", a.skipped_bytes},
        {"sync_losses", a.sync_losses},
        {"duration_s", d.known ? json(d.seconds) : json(nullptr)},
        {"bitrate_bps", d.known ? json(d.bitrate) : json(nullptr)},
        {"pcr_pid", d.known ? json(d.pid) : json(nullptr)},
        {"cc_errors", totals.cc_errors},
        {"transport_errors", totals.transport_errors},
        {"scrambled", totals.scrambled},
        {"crc_errors", a.crc_errors},
        {"network_name", known(capture.network_known, capture.network_name)},
        {"utc_first", known(a.utc_seen, mjd_utc_text(a.utc_first))},
        {"utc_last", known(a.utc_seen, mjd_utc_text(a.utc_last))},
        {"pat_versions", capture.pat_versions},
        {"programs", programs_json(a, dvb)},
        {"pids", pids_json(a, d)},
    };
    if (flow != nullptr)
        add_capture_json(summary, a, *flow);
    // Bytes of the file name that are no UTF-8 become U+FFFD: the output stays valid JSON.
    out_text(out, summary.dump(2, ' ', false, json::error_handler_t::replace));
    out_text(out, "\n");
}

}  // namespace ostrel
