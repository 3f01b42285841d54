#include <cinttypes>

#include "reports/summary/capture_output.hpp"
#include "pass/facts.hpp"
#include "reports/summary/stream_facts.hpp"
#include "reports/tables/tables_output.hpp"
#include "psi/dvb/si_time.hpp"
#include "ts/si_texts.hpp"
#include "reports/summary/summary_output.hpp"
#include "ts/description_texts.hpp"
#include "ts/utf8.hpp"

namespace ostrel {
namespace {

void put_count(Output& out, const char* label, std::uint64_t value)
{
    out_format(out, "=> %-20s'%" PRIu64 "'d\n", label, value);
}

void put_service(Output& out, const ProgramFacts& facts)
{
    if (!facts.service.found)
        return;
    const ServiceInfo& s = facts.service;
    const std::string_view type = service_type_text(s.service_type);
    out_text(out, joined({"   Service:            ", quoted_text(s.name), ", provider ", quoted_text(s.provider)}));
    out_format(out, ", '%02X'h, %.*s\n", s.service_type, static_cast<int>(type.size()), type.data());
}

void put_languages(Output& out, const std::vector<std::string>& languages)
{
    for (std::size_t i = 0; i < languages.size(); ++i) {
        out_text(out, i == 0 ? (languages.size() == 1 ? ", language '" : ", languages '") : ", '");
        out_text(out, languages[i]);
        out_text(out, "'");
    }
}

void put_programs(Output& out, const Analysis& a, DvbText& dvb)
{
    put_count(out, "Programs:", a.program_count);
    for (unsigned i = 0; i < a.program_count; ++i) {
        const Program& program = a.programs[i];
        const ProgramFacts facts = program_facts(a, program, dvb);
        out_format(out, "   Program Number:     '%u'd\n", program.program_number);
        put_service(out, facts);
        out_format(out, "   PMT PID:            '%04X'h\n", program.pmt_pid);
        if (facts.pmt_versions > 0)
            out_format(out, "   PMT Versions:       '%" PRIu64 "'d, the last at packet '%" PRIu64 "'d\n",
                       facts.pmt_versions, facts.last_pmt_packet);
        if (!program.has_pmt && program.pmt_crc_errors > 0) {
            out_format(out, "   PCR PID:            no map section with a correct CRC_32 ('%" PRIu64 "'d with a wrong one)\n",
                       program.pmt_crc_errors);
            continue;
        }
        if (!program.has_pmt) {
            out_text(out, "   PCR PID:            unknown (no map section)\n");
            continue;
        }
        out_format(out, "   PCR PID:            '%04X'h\n", pcr_pid(program));
        StreamEntry streams[max_streams];
        const unsigned n = program_streams(program, streams, max_streams);
        for (unsigned k = 0; k < n; ++k) {
            const StreamEntry& e = streams[k];
            const std::string_view text = stream_type_name(e.stream_type);
            out_format(out, "   Stream PID:         '%04X'h, '%02X'h, %.*s", e.pid, e.stream_type,
                       static_cast<int>(text.size()), text.data());
            const StreamFacts facts = stream_facts(a, program, e);
            put_languages(out, facts.languages);
            out_text(out, joined({", ", stream_format_text(facts)}));
            if (std::string_view(facts.codec.codec) == "scte_35")
                out_format(out, ", '%" PRIu64 "'d cues", a.carries[e.pid].cues);
            out_text(out, "\n");
        }
    }
}

void put_pids(Output& out, const Analysis& a, const Duration& d)
{
    unsigned used = 0;
    for_each_used_pid(a, [&](unsigned, const PidState&) { ++used; });
    put_count(out, "PIDs:", used);
    out_format(out, "   %-7s %10s %7s %10s %10s %10s %10s %10s %10s  %s\n", "PID", "Packets", "%", "Bitrate", "Starts",
               "CC errors", "TEI errors", "Scrambled", "PCRs", "Carries");
    for_each_used_pid(a, [&](unsigned pid, const PidState& s) {
        out_format(out, "   '%04X'h %10" PRIu64 " %7.2f ", pid, s.packets,
                   100.0 * static_cast<double>(s.packets) / static_cast<double>(a.packets));
        if (d.known)
            out_format(out, "%10.0f ", static_cast<double>(s.packets) * packet_size * 8 / d.seconds);
        else
            out_text(out, "   unknown ");
        std::vector<unsigned> programs;
        const std::string carries = pid_carries(a, pid, programs);
        out_format(out, "%10" PRIu64 " %10" PRIu64 " %10" PRIu64 " %10" PRIu64 " %10" PRIu64 "  ", s.unit_starts,
                   s.cc_errors, s.transport_errors, s.scrambled, a.pcr_states[pid].pcrs);
        out_text(out, carries);
        out_text(out, "\n");
    });
}

}  // namespace

void put_summary_text(Output& out, const Analysis& a, const char* name, const CaptureFlow* flow)
{
    out_text(out, "=> File:               ");
    out_text(out, shown_name(name));
    out_text(out, "\n");
    if (flow != nullptr)
        out_format(out, "=> Flow TS Bytes:      '%" PRIu64 "'d bytes\n", a.bytes);
    else
        out_format(out, "=> File Size:          '%" PRIu64 "'d bytes\n", a.bytes);
    out_format(out, "=> Packet Size:        '%u'd bytes\n", a.packet_size);
    put_count(out, "Packets:", a.packets);
    put_count(out, "Skipped Bytes:", a.skipped_bytes);
    put_count(out, "Sync Losses:", a.sync_losses);
    const Duration d = capture_duration(a);
    if (d.known) {
        out_format(out, "=> Duration:           '%.6f'd s, from the PCRs of PID '%04X'h\n", d.seconds, d.pid);
        out_format(out, "=> Bitrate:            '%.0f'd bit/s\n", d.bitrate);
    } else {
        out_text(out, "=> Duration:           unknown (no PCR)\n=> Bitrate:            unknown (no PCR)\n");
    }
    DvbText dvb;
    const CaptureFacts capture = capture_facts(a, dvb);
    if (capture.network_known)
        out_text(out, joined({"=> Network:            ", quoted_text(capture.network_name), "\n"}));
    if (a.utc_seen)
        out_text(out, joined({"=> UTC Time:           ", mjd_utc_text(a.utc_first), " to ", mjd_utc_text(a.utc_last),
                              " (TDT/TOT)\n"}));
    put_count(out, "PAT Versions:", capture.pat_versions);
    put_programs(out, a, dvb);
    put_pids(out, a, d);
    const PidTotals totals = pid_totals(a);
    put_count(out, "CC Errors:", totals.cc_errors);
    put_count(out, "Transport Errors:", totals.transport_errors);
    put_count(out, "Scrambled Packets:", totals.scrambled);
    put_count(out, "CRC Errors:", a.crc_errors);
    put_count(out, "Sync Losses:", a.sync_losses);
    if (flow != nullptr)
        put_capture_text(out, a, *flow);
}

}  // namespace ostrel
