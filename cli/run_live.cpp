#include <memory>
#include <string>

#include "cli/run.hpp"
#include "cli/stop_signals.hpp"
#include "reports/metrics/metrics_tap.hpp"
#include "pass/network/flow_figures.hpp"
#include "sources/srt/srt_receiver.hpp"
#include "sources/udp/udp_receiver.hpp"
#include "output/metrics_text.hpp"

namespace ostrel {

namespace {

// The report over a live flow whose datagrams `datagrams` yields; `drops`
// and `link` the socket's and the SRT link's figures where known.
int run_flow(const RunOptions& options, const char* url, DatagramSource& datagrams, const std::uint64_t* drops,
             const SrtLinkFigures* link, const RunBuffers& buffers, std::FILE* out_stream, std::FILE* keys,
             std::FILE* err)
{
    FlowStream flow;
    flow.datagrams = &datagrams;
    flow.live = true;
    flow.drops = drops;
    flow.srt_link = link;
    CaptureFlow capture_flow;
    capture_flow_start(capture_flow, flow,
                       flow_figures_wanted(summary_shown(options) || options.metrics_mode, options.write_mode));
    if (buffers.metrics != nullptr) {
        buffers.metrics->flow = &capture_flow;
        buffers.metrics->socket_drops = flow.drops;
    }
    if (!flow_start(flow)) {
        std::fprintf(err, "%s\n", !flow.error.empty() ? flow.error.c_str() : "No data before the stop");
        if (flow.other.udp > 0)  // something came, but no transport stream
            std::fprintf(err, "ostrel: %llu datagrams arrived, none of them carrying TS packets\n",
                         static_cast<unsigned long long>(flow.other.udp));
        return exit_failed;
    }
    int status = run_stream(options, StreamInput{nullptr, &flow.bytes, &capture_flow}, url, buffers, out_stream, keys, err);
    if (!flow.error.empty()) {
        std::fprintf(err, "%s\n", flow.error.c_str());
        status = exit_failed;
    }
    if (buffers.metrics != nullptr) {  // the flow is gone: the last snapshot stays served
        buffers.metrics->flow = nullptr;
        buffers.metrics->socket_drops = nullptr;
    }
    return status;
}

int run_srt(const RunOptions& options, const char* url, const RunBuffers& buffers, std::FILE* out_stream,
            std::FILE* keys, std::FILE* err)
{
    SrtAddress address;
    std::string error;
    if (!parse_srt_url(url, address, error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    const auto receiver = std::make_unique<SrtReceiver>();
    const StopOnSignals signals;
    receiver->limits = live_limits(options, buffers);
    if (buffers.metrics != nullptr) {
        const SrtLinkFigures* link = &receiver->link;
        buffers.metrics->extra = [link](MetricsText& out) { put_srt_series(out, *link); };
    }
    if (!open_srt(address, *receiver, error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    SrtDatagrams datagrams{*receiver};
    take_srt_stats(*receiver);
    const std::string shown = masked_input(url);  // a passphrase is not printed
    const int status =
        run_flow(options, shown.c_str(), datagrams, nullptr, &receiver->link, buffers, out_stream, keys, err);
    if (buffers.metrics != nullptr)
        buffers.metrics->extra = nullptr;
    return status;
}

}  // namespace

LiveLimits live_limits(const RunOptions& options, const RunBuffers& buffers)
{
    LiveLimits l{options.for_seconds, options.timeout_seconds, &stop_flag(), {}};
    if (buffers.metrics != nullptr)
        l.quiet = [m = buffers.metrics] { m->quiet(); };
    return l;
}

int run_live(const RunOptions& options, const char* url, const RunBuffers& buffers, std::FILE* out_stream,
             std::FILE* keys, std::FILE* err)
{
    if (is_srt_url(url))
        return run_srt(options, url, buffers, out_stream, keys, err);
    UdpAddress address;
    std::string error, note;
    if (!parse_udp_url(url, address, error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    const auto receiver = std::make_unique<UdpReceiver>();
    const StopOnSignals signals;
    receiver->limits = live_limits(options, buffers);
    if (!udp_open(address, *receiver, error, note)) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    if (!note.empty())
        std::fprintf(err, "%s\n", note.c_str());
    UdpDatagrams datagrams{*receiver};
    const int status = run_flow(options, url, datagrams, receiver->drops_known ? &receiver->drops : nullptr, nullptr,
                                buffers, out_stream, keys, err);
    udp_close(*receiver);
    return status;
}

}  // namespace ostrel
