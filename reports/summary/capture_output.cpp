// The summary of a capture's flow: the flow, its network figures, the PCR
// jitter of each PCR PID against arrival, and the traffic left out.
#include <cinttypes>

#include "reports/summary/capture_output.hpp"
#include "reports/flows/figures_json.hpp"
#include "pass/network/flow_figures.hpp"
#include "sources/srt/srt_receiver.hpp"

namespace ostrel {
namespace {

FlowView view_of(const CaptureFlow& capture)
{
    const FlowStream& flow = *capture.stream;
    return FlowView{flow.source,       flow.destination,       flow.rtp, flow.ssrc, flow.payload_type,
                    capture.figures.get(), flow.srt_link != nullptr};
}

double mean_rtt_ms(const SrtLinkFigures& l) { return l.samples > 0 ? l.rtt_sum_ms / static_cast<double>(l.samples) : 0; }

void put_srt_text(Output& out, const SrtLinkFigures& l)
{
    if (!l.known) {
        out_text(out, "=> SRT Link:           unknown (no statistics yet)\n");
        return;
    }
    out_format(out, "=> SRT Link:           round trip mean '%.3f'd ms, max '%.3f'd ms ('%" PRIu64 "'d samples)\n",
               mean_rtt_ms(l), l.rtt_max_ms, l.samples);
    out_format(out, "   Packets:            received '%lld'd, lost '%lld'd, retransmitted '%lld'd, dropped '%lld'd, "
                    "undecrypted '%lld'd\n",
               static_cast<long long>(l.received), static_cast<long long>(l.lost),
               static_cast<long long>(l.retransmitted), static_cast<long long>(l.dropped),
               static_cast<long long>(l.undecrypted));
    out_format(out, "   Receive Buffer:     '%d'd ms; bandwidth estimate '%.3f'd Mbit/s\n", l.buffer_ms, l.bandwidth_mbps);
}

}  // namespace

void put_capture_text(Output& out, const Analysis& a, const CaptureFlow& capture)
{
    const FlowStream& flow = *capture.stream;
    const FlowView view = view_of(capture);
    out_text(out, "=> Flow:               " + flow_title(view) + "\n");
    put_flow_text(out, view);
    for (unsigned i = 0; i < a.pcr_tracks.count; ++i) {
        const PcrTrack& t = a.pcr_tracks.tracks[i];
        const PcrJitter j = pcr_jitter(t);
        if (j.known)
            out_format(out, "=> PCR Jitter:         PID '%04X'h, min '%.3f'd us, max '%.3f'd us\n", t.pid,
                       j.min_s * 1e6, j.max_s * 1e6);
        else
            out_format(out, "=> PCR Jitter:         PID '%04X'h, unknown (fewer than 3 PCRs in a row)\n", t.pid);
    }
    put_other_traffic_text(out, flow.other, flow.other_flows);
    if (flow.drops != nullptr)
        out_format(out, "=> Socket Drops:       '%" PRIu64 "'d datagrams\n", *flow.drops);
    if (flow.srt_link != nullptr)
        put_srt_text(out, *flow.srt_link);
}

void add_capture_json(nlohmann::json& summary, const Analysis& a, const CaptureFlow& capture)
{
    const FlowStream& flow = *capture.stream;
    const FlowView view = view_of(capture);
    nlohmann::json jitter = nlohmann::json::array();
    for (unsigned i = 0; i < a.pcr_tracks.count; ++i) {
        const PcrTrack& t = a.pcr_tracks.tracks[i];
        const PcrJitter j = pcr_jitter(t);
        jitter.push_back({{"pid", t.pid},
                          {"min_us", j.known ? nlohmann::json(j.min_s * 1e6) : nlohmann::json(nullptr)},
                          {"max_us", j.known ? nlohmann::json(j.max_s * 1e6) : nlohmann::json(nullptr)}});
    }
    summary["flow"] = flow_json(view, false);
    summary["network"] = network_json(*view.figures);
    summary["pcr_jitter"] = jitter;
    nlohmann::json other = other_traffic_json(flow.other);
    other["other_flow_datagrams"] = flow.other_flows;
    summary["other_traffic"] = other;
    if (flow.drops != nullptr)
        summary["socket_drops"] = *flow.drops;
    if (const SrtLinkFigures* l = flow.srt_link; l != nullptr && l->known)
        summary["srt"] = {{"rtt_mean_ms", mean_rtt_ms(*l)}, {"rtt_max_ms", l->rtt_max_ms},
                          {"received", l->received},      {"lost", l->lost},
                          {"retransmitted", l->retransmitted}, {"dropped", l->dropped},
                          {"undecrypted", l->undecrypted}, {"receive_buffer_ms", l->buffer_ms},
                          {"bandwidth_mbps", l->bandwidth_mbps}};
}

}  // namespace ostrel
