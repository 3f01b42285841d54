#include <cinttypes>
#include <cstdio>

#include "reports/check/check_output.hpp"
#include "pass/facts.hpp"

namespace ostrel {
namespace {

constexpr const char* bits[] = {"00", "01", "10", "11"};

}  // namespace

std::string finding_detail(const Finding& f)
{
    // Counts, counters, bytes and CRCs are whole numbers; intervals may be negative.
    const auto seen = static_cast<long long>(f.seen);
    const auto expected = static_cast<long long>(f.expected);
    const auto seen_hex = static_cast<unsigned long long>(seen);
    const auto expected_hex = static_cast<unsigned long long>(expected);
    switch (f.kind) {
    case FindingKind::sync_lost:
        return formatted("sync lost, %lld bytes skipped", seen);
    case FindingKind::sync_byte:
        return formatted("byte 0x%02llX where the sync byte 0x47 belongs", seen_hex);
    case FindingKind::partial_packet:
        return formatted("the file ends %lld bytes into a packet of %lld", seen, expected);
    case FindingKind::pat_interval:
        return formatted("no PAT section for %.3f s, limit %.1f s", f.seen, f.expected);
    case FindingKind::pat_table_id:
        return formatted("table_id 0x%02llX on the PAT PID, expected 0x00", seen_hex);
    case FindingKind::pat_scrambled:
        return formatted("transport_scrambling_control '%s'b on the PAT PID, expected '00'b", bits[seen & 3]);
    case FindingKind::cc_gap:
        return formatted("continuity_counter %lld, expected %lld", seen, expected);
    case FindingKind::cc_repeat:
        return formatted("continuity_counter %lld repeated on a different packet, expected %lld", seen, expected);
    case FindingKind::cc_third_copy:
        return formatted("third copy of a packet, continuity_counter %lld, expected %lld", seen, expected);
    case FindingKind::pmt_interval:
        return formatted("no PMT section of program %u for %.3f s, limit %.1f s", f.extra, f.seen, f.expected);
    case FindingKind::pmt_scrambled:
        return formatted("transport_scrambling_control '%s'b on a PMT PID, expected '00'b", bits[seen & 3]);
    case FindingKind::pid_interval:
        return formatted("PID absent for %.3f s, limit %.0f s", f.seen, f.expected);
    case FindingKind::transport_error:
        return "transport_error_indicator 1, expected 0";
    case FindingKind::crc:
        return formatted("CRC_32 0x%08llX in a section with table_id 0x%02X, computed 0x%08llX", seen_hex, f.extra,
                      expected_hex);
    case FindingKind::pcr_interval:
        return formatted("PCRs %.3f ms apart, limit %.0f ms", f.seen * 1e3, f.expected * 1e3);
    case FindingKind::pcr_jump:
        return formatted("PCR difference %.3f ms without discontinuity_indicator, expected 0 to %.0f ms", f.seen * 1e3,
                      f.expected * 1e3);
    case FindingKind::pcr_accuracy:
        return formatted(f.extra == 1 ? "PCR off a constant rate by %.0f ns, limit %.0f ns"
                                   : "PCR off the arrival time stamps by %.0f ns, limit %.0f ns",
                      f.seen * 1e9, f.expected * 1e9);
    case FindingKind::pts_interval:
        return formatted("PTS %.3f ms apart, limit %.0f ms", f.seen * 1e3, f.expected * 1e3);
    case FindingKind::cat_missing:
        return "scrambled packet and no CAT section before it";
    case FindingKind::cat_table_id:
        return formatted("table_id 0x%02llX on the CAT PID, expected 0x01", seen_hex);
    case FindingKind::sync_position:
        return "no sync byte 0x47 at this packet position of the loss";
    case FindingKind::table_interval:
        return "";  // a measurement, never printed
    default:
        return si_finding_detail(f);
    }
    return "";
}

void put_finding_text(Output& out, const Finding& f)
{
    out_format(out, "packet %" PRIu64 ", byte %" PRIu64 ", ", f.packet, f.offset);
    if (f.time >= 0)
        out_format(out, "at %.3f s, ", f.time);
    if (f.pid == no_pid)
        out_text(out, "no PID, ");
    else
        out_format(out, "PID '%04X'h, ", f.pid);
    const std::string_view name = indicator_name(indicator_of(f.kind));
    out_text(out, name);
    out_text(out, ": ");
    out_text(out, finding_detail(f));
    out_text(out, "\n");
}

void put_check_table_text(Output& out, const Analysis& a, const Withheld& withheld)
{
    out_text(out, "=> Indicator                          Priority  Errors\n");
    for (unsigned i = 0; i < indicator_count; ++i) {
        const auto indicator = static_cast<Indicator>(i);
        if (!indicator_listed(a, indicator))
            continue;
        const std::string_view name = indicator_name(indicator);
        out_format(out, "   %-34.*s '%u'd      ", static_cast<int>(name.size()), name.data(),
                   indicator_priority(indicator));
        if (indicator_checked(a, indicator))
            out_format(out, "'%" PRIu64 "'d", a.counts[i]);
        else if (indicator_priority(indicator) == 3 || not_checked_reason(a, indicator) == "variable rate")
            out_text(out, "not checked (" + not_checked_reason(a, indicator) + ")");
        else
            out_text(out, "not checked");
        if ((indicator == Indicator::pat_error || indicator == Indicator::pmt_error) && !intervals_timed(a))
            out_text(out, " (intervals not checked: no PCR)");
        const auto more = withheld.by_indicator.find(i);
        if (more != withheld.by_indicator.end())
            out_format(out, " ('%" PRIu64 "'d more not shown)", more->second);
        out_text(out, "\n");
    }
    if (!withheld.by_pair.empty()) {
        // Lines of at most 100 columns, the entries after the first aligned under it.
        constexpr std::size_t width = 100;
        const std::string indent(23, ' ');
        std::string line = "=> Not shown:          ";
        bool first = true;
        const auto put_piece = [&](const std::string& piece) {
            if (!first && line.size() + 2 + piece.size() > width) {
                out_text(out, line + ";\n");
                line = indent + piece;
            } else {
                line += (first ? "" : "; ") + piece;
            }
            first = false;
        };
        for (const auto& [pair, n] : withheld.by_pair) {
            const std::string_view name = indicator_name(static_cast<Indicator>(pair.first));
            std::string pid = pair.second == no_pid ? "no PID" : formatted("PID '%04X'h", pair.second);
            put_piece(formatted("%.*s on %s ('%" PRIu64 "'d)", static_cast<int>(name.size()), name.data(), pid.c_str(), n));
        }
        const std::string tail = "(--all prints every finding)";
        if (line.size() + 1 + tail.size() > width)
            out_text(out, line + "\n" + indent + tail + "\n");
        else
            out_text(out, line + " " + tail + "\n");
    }
    if (a.arrival.on)
        out_text(out, "=> Intervals timed by arrival time\n");
    const std::uint64_t errors = error_total(a);
    if (errors == 0)
        out_text(out, "OK\n");
    else
        out_format(out, "%" PRIu64 " error%s\n", errors, errors == 1 ? "" : "s");
}

}  // namespace ostrel
