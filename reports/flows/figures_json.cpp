#include "reports/flows/figures_json.hpp"

namespace ostrel {

using nlohmann::json;


json flow_json(const FlowView& flow, bool with_network)
{
    const FlowFigures& f = *flow.figures;
    char source[64], destination[64];
    endpoint_text(flow.source, source, sizeof source);
    endpoint_text(flow.destination, destination, sizeof destination);
    const double span = static_cast<double>(f.last_ns - f.first_ns) / 1e9;
    json j = {{"source", source},
            {"destination", destination},
            {"rtp", flow.rtp},
            {"ssrc", flow.rtp ? json(flow.ssrc) : json(nullptr)},
            {"payload_type", flow.rtp ? json(flow.payload_type) : json(nullptr)},
            {"datagrams", f.datagrams},
            {"ts_packets", f.ts_packets},
            {"first_time", arrival_time_text(f.first_ns, true)},
            {"last_time", arrival_time_text(f.last_ns, true)},
            {"bitrate_bps", span > 0 ? json(static_cast<double>(f.ts_bytes) * 8 / span) : json(nullptr)}};
    if (with_network)
        j["network"] = network_json(f);
    return j;
}

json network_json(const FlowFigures& f)
{
    const bool iat = f.datagrams >= 2;
    json histogram = json::array();
    for (unsigned b = 0; b < iat_buckets; ++b)
        histogram.push_back({{"from_ms", iat_bucket_floor_ms(b)},
                             {"to_ms", b + 1 < iat_buckets ? json(iat_bucket_floor_ms(b + 1)) : json(nullptr)},
                             {"datagrams", f.histogram[b]}});
    const std::vector<MdiFigure> seconds = mdi_figures(f);
    json mdi = json::array();
    for (const MdiFigure& m : seconds)
        mdi.push_back({{"second", m.second}, {"df_ms", m.df_ms ? json(*m.df_ms) : json(nullptr)}, {"mlr", m.mlr}});
    const std::optional<MdiFigure> worst = mdi_worst(f, seconds);
    const bool rtp = f.rtp.started;
    return {{"iat_min_ms", iat ? json(iat_min_ms(f)) : json(nullptr)},
            {"iat_mean_ms", iat ? json(iat_mean_ms(f)) : json(nullptr)},
            {"iat_max_ms", iat ? json(iat_max_ms(f)) : json(nullptr)},
            {"iat_histogram", histogram},
            {"rtp_lost", rtp ? json(f.rtp.lost) : json(nullptr)},
            {"rtp_duplicates", rtp ? json(f.rtp.duplicates) : json(nullptr)},
            {"rtp_reordered", rtp ? json(f.rtp.reordered) : json(nullptr)},
            {"rtp_restarts", rtp ? json(f.rtp.restarts) : json(nullptr)},
            {"rtp_jitter_ms", rtp ? json(f.rtp.jitter_max / 90.0) : json(nullptr)},
            {"mdi", mdi},
            {"mdi_worst", worst ? json(mdi_text(*worst)) : json(nullptr)},
            {"mlr_from", rtp ? "rtp_sequence" : "continuity_counter"}};
}

json other_traffic_json(const OtherTraffic& o)
{
    return {{"frames", o.frames}, {"tcp", o.tcp}, {"fragments", o.fragments}, {"udp_without_ts", o.udp},
            {"other", o.other}};
}

}  // namespace ostrel
