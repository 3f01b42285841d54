#include <nlohmann/json.hpp>

#include "analysis/facts.hpp"
#include "analysis/summary_output.hpp"
#include "texts/description_texts.hpp"

namespace ostrel {
namespace {

using nlohmann::json;

json programs_json(const Analysis& a)
{
    json programs = json::array();
    for (unsigned i = 0; i < a.program_count; ++i) {
        const Program& program = a.programs[i];
        json streams = json::array();
        StreamEntry entries[max_streams];
        const unsigned n = program.has_pmt ? program_streams(program, entries, max_streams) : 0;
        for (unsigned k = 0; k < n; ++k) {
            const StreamEntry& e = entries[k];
            streams.push_back({{"pid", e.pid},
                               {"stream_type", e.stream_type},
                               {"stream_type_text", std::string(stream_type_text(e.stream_type))},
                               {"language", e.language[0] != 0 ? json(e.language) : json(nullptr)}});
        }
        programs.push_back({{"program_number", program.program_number},
                            {"pmt_pid", program.pmt_pid},
                            {"pcr_pid", program.has_pmt ? json(pcr_pid(program)) : json(nullptr)},
                            {"pmt_crc_errors", program.pmt_crc_errors},
                            {"streams", streams}});
    }
    return programs;
}

json pids_json(const Analysis& a, const Duration& d)
{
    json pids = json::array();
    for (unsigned pid = 0; pid < pid_count; ++pid) {
        const PidState& s = a.pids[pid];
        if (s.packets == 0)
            continue;
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
             {"pcrs", s.pcrs}});
    }
    return pids;
}

}  // namespace

void put_summary_json(Output& out, const Analysis& a, const char* name)
{
    const Duration d = capture_duration(a);
    const PidTotals totals = pid_totals(a);
    const json summary = {
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
        {"programs", programs_json(a)},
        {"pids", pids_json(a, d)},
    };
    // Bytes of the file name that are no UTF-8 become U+FFFD: the output stays valid JSON.
    out_text(out, summary.dump(2, ' ', false, json::error_handler_t::replace));
    out_text(out, "\n");
}

}  // namespace ostrel
