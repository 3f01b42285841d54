#include <csignal>
#include <memory>
#include <string>

#include "cli/run.hpp"
#include "cli/stop_signals.hpp"
#include "reports/metrics/metrics_tap.hpp"
#include "pass/network/flow_figures.hpp"
#include "sources/udp/udp_receiver.hpp"

namespace ostrel {

int run_live(const RunOptions& options, const char* url, const RunBuffers& buffers, std::FILE* out_stream,
             std::FILE* keys, std::FILE* err)
{
    UdpAddress address;
    std::string error, note;
    if (!parse_udp_url(url, address, error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    const auto receiver = std::make_unique<UdpReceiver>();
    receiver->for_seconds = options.for_seconds;
    receiver->timeout_seconds = options.timeout_seconds;
    const StopOnSignals signals;
    receiver->stop = &stop_flag();
    if (!udp_open(address, *receiver, error, note)) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    if (!note.empty())
        std::fprintf(err, "%s\n", note.c_str());
    FlowStream flow;
    UdpDatagrams datagrams{*receiver};
    flow.datagrams = &datagrams;
    flow.live = true;
    flow.drops = receiver->drops_known ? &receiver->drops : nullptr;
    CaptureFlow capture_flow;
    capture_flow_start(capture_flow, flow,
                       flow_figures_wanted(summary_shown(options) || options.metrics_mode, options.write_mode));
    if (buffers.metrics != nullptr) {
        buffers.metrics->flow = &capture_flow;
        buffers.metrics->socket_drops = flow.drops;
        receiver->quiet = [m = buffers.metrics] { m->quiet(); };
    }
    int status = exit_failed;
    if (!flow_start(flow)) {
        std::fprintf(err, "%s\n", !flow.error.empty() ? flow.error.c_str() : "No data before the stop");
        if (flow.other.udp > 0)  // something came, but no transport stream
            std::fprintf(err, "ostrel: %llu datagrams arrived, none of them carrying TS packets\n",
                         static_cast<unsigned long long>(flow.other.udp));
    } else {
        status = run_stream(options, StreamInput{nullptr, &flow.bytes, &capture_flow}, url, buffers, out_stream, keys, err);
        if (!flow.error.empty()) {
            std::fprintf(err, "%s\n", flow.error.c_str());
            status = exit_failed;
        }
    }
    udp_close(*receiver);
    return status;
}

}  // namespace ostrel
