#include <nlohmann/json.hpp>

#include "reports/timeline/timeline_report.hpp"

namespace ostrel {
namespace {

constexpr const char* unknown_cell = "-";

void put_cell(Output& out, int width, double value, int decimals)
{
    if (value < 0)
        out_format(out, " %*s", width, unknown_cell);
    else
        out_format(out, " %*.*f", width, decimals, value);
}

nlohmann::ordered_json known(double value, double scale = 1)
{
    return value < 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(value * scale);
}

}  // namespace

void put_interval_header(Output& out, const IntervalRow& row)
{
    out_format(out, "   %10s %8s %9s %10s", "Start s", "Length s", "Packets", "Bitrate");
    for (unsigned i = 0; i < row.pid_count; ++i)
        out_format(out, "    '%04X'h", row.pids[i]);
    out_format(out, " %6s %10s %11s %4s %4s %4s", "PCRs", "PCR max ms", "Accuracy ns", "P1", "P2", "P3");
    if (row.network)
        out_format(out, " %8s %6s", "DF ms", "MLR");
}

void put_interval_text(Output& out, const IntervalRow& row)
{
    out_text(out, "  ");
    if (row.timed)
        out_format(out, " %10.3f %8.3f", row.start_s, row.duration_s);
    else
        out_format(out, " %10s %8s", "unknown", unknown_cell);
    out_format(out, " %9llu", static_cast<unsigned long long>(row.packets));
    put_cell(out, 10, interval_bitrate(row, row.packets), 0);
    for (unsigned i = 0; i < row.pid_count; ++i)
        put_cell(out, 10, interval_bitrate(row, row.pid_packets[row.pids[i]]), 0);
    out_format(out, " %6llu", static_cast<unsigned long long>(row.pcrs));
    put_cell(out, 10, row.pcr_interval_max_s < 0 ? -1 : row.pcr_interval_max_s * 1e3, 3);
    put_cell(out, 11, row.pcr_accuracy_max_s < 0 ? -1 : row.pcr_accuracy_max_s * 1e9, 0);
    for (const std::uint64_t n : row.findings)
        out_format(out, " %4llu", static_cast<unsigned long long>(n));
    if (row.network) {
        put_cell(out, 8, row.df_ms, 3);
        out_format(out, " %6llu", static_cast<unsigned long long>(row.lost));
    }
}

void put_interval_json(Output& out, const IntervalRow& row, SrtRows* srt)
{
    nlohmann::ordered_json pids = nlohmann::ordered_json::array();
    for (unsigned i = 0; i < row.pid_count; ++i) {
        const std::uint32_t n = row.pid_packets[row.pids[i]];
        pids.push_back(nlohmann::ordered_json{
            {"pid", row.pids[i]}, {"packets", n}, {"bitrate_bps", known(interval_bitrate(row, n))}});
    }
    const nlohmann::ordered_json none(nullptr);
    const nlohmann::ordered_json line = {
        {"start_s", known(row.start_s)},  // -1 for a row without a time
        {"duration_s", known(row.duration_s)},
        {"packets", row.packets},
        {"bitrate_bps", known(interval_bitrate(row, row.packets))},
        {"pids", pids},
        {"pcrs", row.pcrs},
        {"pcr_interval_max_ms", known(row.pcr_interval_max_s, 1e3)},
        {"pcr_accuracy_max_ns", known(row.pcr_accuracy_max_s, 1e9)},
        {"findings", {{"1", row.findings[0]}, {"2", row.findings[1]}, {"3", row.findings[2]}}},
        {"df_ms", row.network ? known(row.df_ms) : none},
        {"mlr", row.network ? nlohmann::ordered_json(row.lost) : none}};
    nlohmann::ordered_json with_link = line;
    if (srt != nullptr)
        with_link["srt"] = srt_row_json(*srt);
    out_text(out, with_link.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    out_text(out, "\n");
}

}  // namespace ostrel

namespace ostrel {

void put_srt_header(Output& out) { out_format(out, " %8s %6s %6s %6s %6s", "RTT ms", "Lost", "Retr", "Drop", "Buf ms"); }

// The link's counts since the row before (libsrt's figures are sampled once a second).
void put_srt_cells(Output& out, SrtRows& s)
{
    const SrtLinkFigures& l = *s.link;
    if (!l.known || l.samples == 0) {
        out_format(out, " %8s %6s %6s %6s %6s", "-", "-", "-", "-", "-");
        return;
    }
    out_format(out, " %8.3f %6lld %6lld %6lld %6d", l.rtt_last_ms, static_cast<long long>(l.lost - s.lost),
               static_cast<long long>(l.retransmitted - s.retransmitted), static_cast<long long>(l.dropped - s.dropped),
               l.buffer_ms);
    s.lost = l.lost;
    s.retransmitted = l.retransmitted;
    s.dropped = l.dropped;
}

nlohmann::ordered_json srt_row_json(SrtRows& s)
{
    const SrtLinkFigures& l = *s.link;
    if (!l.known || l.samples == 0)
        return nullptr;
    nlohmann::ordered_json j = {{"rtt_ms", l.rtt_last_ms}, {"lost", l.lost - s.lost},
                                {"retransmitted", l.retransmitted - s.retransmitted}, {"dropped", l.dropped - s.dropped},
                                {"receive_buffer_ms", l.buffer_ms}};
    s.lost = l.lost;
    s.retransmitted = l.retransmitted;
    s.dropped = l.dropped;
    return j;
}

}  // namespace ostrel
