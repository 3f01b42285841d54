#include <cmath>
#include <nlohmann/json.hpp>

#include "reports/check/check_output.hpp"
#include "output/json_line.hpp"

namespace ostrel {
namespace {

using nlohmann::json;

bool has_values(FindingKind kind)
{
    return kind != FindingKind::transport_error && kind != FindingKind::cat_missing &&
           kind != FindingKind::sync_position;
}

const char* unit_of(FindingKind kind)
{
    switch (kind) {
    case FindingKind::sync_lost:
    case FindingKind::partial_packet:
        return "bytes";
    case FindingKind::pat_interval:
    case FindingKind::pmt_interval:
    case FindingKind::pid_interval:
    case FindingKind::pcr_interval:
    case FindingKind::pcr_jump:
    case FindingKind::pcr_accuracy:
    case FindingKind::pts_interval:
    case FindingKind::nit_actual_absent:
    case FindingKind::nit_actual_close:
    case FindingKind::nit_other_absent:
    case FindingKind::si_too_often:
    case FindingKind::si_too_seldom:
    case FindingKind::unreferenced:
    case FindingKind::sdt_actual_absent:
    case FindingKind::sdt_actual_close:
    case FindingKind::sdt_other_absent:
    case FindingKind::eit_actual_absent:
    case FindingKind::eit_actual_close:
    case FindingKind::eit_other_absent:
    case FindingKind::rst_close:
    case FindingKind::tdt_absent:
    case FindingKind::tdt_close:
        return "s";
    default:
        return nullptr;
    }
}

}  // namespace

void put_finding_json(Output& out, const Finding& f)
{
    const Indicator indicator = indicator_of(f.kind);
    json line = {{"packet", f.packet},
                 {"offset", f.offset},
                 {"time_s", f.time >= 0 ? json(std::round(f.time * 1000) / 1000) : json(nullptr)},
                 {"pid", f.pid == no_pid ? json(nullptr) : json(f.pid)},
                 {"indicator", std::string(indicator_name(indicator))},
                 {"priority", indicator_priority(indicator)},
                 {"detail", finding_detail(f)}};
    if (has_values(f.kind)) {
        line["seen"] = f.seen;
        line["expected"] = f.expected;
        if (const char* unit = unit_of(f.kind))
            line["unit"] = unit;
    }
    if (f.kind == FindingKind::crc || f.kind == FindingKind::si_too_often || f.kind == FindingKind::si_too_seldom)
        line["table_id"] = f.extra;
    if (f.kind == FindingKind::pmt_interval)
        line["program_number"] = f.extra;
    put_json_line(out, line);
}

void put_check_table_json(Output& out, const Analysis& a)
{
    json counts = json::object();
    json checked = json::object();
    json not_checked = json::object();
    for (unsigned i = 0; i < indicator_count; ++i) {
        const auto indicator = static_cast<Indicator>(i);
        if (!indicator_listed(a, indicator))
            continue;
        const std::string name(indicator_name(indicator));
        counts[name] = a.counts[i];
        checked[name] = indicator_checked(a, indicator);
        if (!indicator_checked(a, indicator))
            not_checked[name] = not_checked_reason(a, indicator);
    }
    const std::uint64_t errors = error_total(a);
    json summary = {{"packets", a.packets},
                    {"counts", counts},
                     {"checked", checked},
                     {"not_checked", not_checked},
                     {"priority_checked", a.check_priority},
                     {"intervals_checked", intervals_timed(a)},
                     {"errors", errors},
                     {"ok", errors == 0}};
    if (a.arrival.on)
        summary["intervals_timed_by"] = "arrival time";
    // How much of the stream PCR_accuracy_error looked at: the PCRs of the PCR
    // PIDs, and of them those measured against the constant rate.
    std::uint64_t pcrs = 0, measured = 0;
    for (unsigned i = 0; i < a.pcr_tracks.count; ++i) {
        pcrs += a.pcr_tracks.tracks[i].pcrs;
        measured += a.pcr_tracks.tracks[i].measured_pcrs;
    }
    summary["pcr_accuracy_pcrs"] = {{"pcrs", pcrs}, {"measured", measured}};
    put_json_line(out, {{"summary", summary}});
}

}  // namespace ostrel
