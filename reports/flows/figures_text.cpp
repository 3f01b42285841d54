#include <cinttypes>

#include "reports/flows/figures_output.hpp"

namespace ostrel {
namespace {

void put_iat(Output& out, const FlowFigures& f)
{
    if (f.datagrams < 2) {
        out_text(out, "   Inter-arrival:      unknown (one datagram)\n");
        return;
    }
    out_format(out, "   Inter-arrival:      min '%.3f'd ms, mean '%.3f'd ms, max '%.3f'd ms\n", iat_min_ms(f),
               iat_mean_ms(f), iat_max_ms(f));
    out_text(out, "   IAT Histogram:      ");
    bool first = true;
    for (unsigned b = 0; b < iat_buckets; ++b) {
        if (f.histogram[b] == 0)
            continue;
        out_text(out, first ? "" : ", ");
        first = false;
        if (b == 0)
            out_format(out, "below %g ms", iat_first_bound_ms);
        else if (b + 1 == iat_buckets)
            out_format(out, "%g ms and more", iat_bucket_floor_ms(b));
        else
            out_format(out, "%g-%g ms", iat_bucket_floor_ms(b), iat_bucket_floor_ms(b + 1));
        out_format(out, " '%" PRIu64 "'d", f.histogram[b]);
    }
    out_text(out, "\n");
}

}  // namespace

std::string mdi_text(const MdiFigure& m)
{
    char text[64];
    if (m.df_ms)
        std::snprintf(text, sizeof text, "%.3f:%llu", *m.df_ms, static_cast<unsigned long long>(m.mlr));
    else
        std::snprintf(text, sizeof text, "unknown:%llu", static_cast<unsigned long long>(m.mlr));
    return text;
}

std::string flow_title(const FlowView& flow)
{
    char source[64], destination[64], rest[96];
    endpoint_text(flow.source, source, sizeof source);
    endpoint_text(flow.destination, destination, sizeof destination);
    if (flow.srt)
        std::snprintf(rest, sizeof rest, ", SRT messages");
    else if (flow.rtp)
        std::snprintf(rest, sizeof rest, ", RTP (SSRC '%08X'h, payload type '%u'd)", flow.ssrc, flow.payload_type);
    else
        std::snprintf(rest, sizeof rest, ", plain UDP");
    return std::string(source) + " -> " + destination + rest;
}

void put_flow_text(Output& out, const FlowView& flow)
{
    const FlowFigures& f = *flow.figures;
    out_format(out, "   Datagrams:          '%" PRIu64 "'d\n", f.datagrams);
    out_format(out, "   TS Packets:         '%" PRIu64 "'d\n", f.ts_packets);
    out_text(out, "   First Time:         " + arrival_time_text(f.first_ns, false) + "\n");
    out_text(out, "   Last Time:          " + arrival_time_text(f.last_ns, false) + "\n");
    const double span = static_cast<double>(f.last_ns - f.first_ns) / 1e9;
    if (span > 0)
        out_format(out, "   Bitrate:            '%.0f'd bit/s\n", static_cast<double>(f.ts_bytes) * 8 / span);
    else
        out_text(out, "   Bitrate:            unknown (one capture time)\n");
    put_network_text(out, f);
}

void put_network_text(Output& out, const FlowFigures& f)
{
    put_iat(out, f);
    if (f.rtp.started) {
        out_format(out,
                   "   RTP:                '%" PRIu64 "'d lost, '%" PRIu64 "'d duplicate, '%" PRIu64
                   "'d reordered, jitter max '%.3f'd ms",
                   f.rtp.lost, f.rtp.duplicates, f.rtp.reordered, f.rtp.jitter_max / 90.0);
        if (f.rtp.restarts > 0)
            out_format(out, ", '%" PRIu64 "'d restarts of the sequence", f.rtp.restarts);
        out_text(out, "\n");
    }
    const std::vector<MdiFigure> seconds = mdi_figures(f);
    const std::optional<MdiFigure> worst = mdi_worst(f, seconds);
    if (!worst)
        return;
    out_format(out, "   MDI (DF:MLR):       %s worst, in second '%" PRId64 "'d of '%zu'd%s; loss from %s\n",
               mdi_text(*worst).c_str(), worst->second, static_cast<std::size_t>(mdi_second_count(f, seconds)),
               worst->df_ms ? "" : " (no rate)",
               f.rtp.started ? "RTP sequence numbers" : "continuity counters");
}

void put_other_traffic_text(Output& out, const OtherTraffic& o, std::uint64_t other_flows)
{
    out_format(out,
               "=> Frames:             '%" PRIu64 "'d; left out: '%" PRIu64 "'d TCP, '%" PRIu64 "'d IP fragments, '%" PRIu64
               "'d UDP without TS, '%" PRIu64 "'d other",
               o.frames, o.tcp, o.fragments, o.udp, o.other);
    if (other_flows > 0)
        out_format(out, ", '%" PRIu64 "'d TS datagrams of other flows", other_flows);
    out_text(out, "\n");
}

}  // namespace ostrel
