#include <string>

#include "sources/input.hpp"
#include "cli/run.hpp"
#include "pass/network/flow_figures.hpp"
#include "reports/flows/flows_report.hpp"
#include "ts/utf8.hpp"

namespace ostrel {
namespace {

int run_flows(const RunOptions& options, Capture& capture, const RunBuffers& buffers, std::FILE* out_stream,
              std::FILE* err)
{
    Output out{out_stream, buffers.text, buffers.text_capacity, 0, false};
    std::string error;
    report_flows(capture, out, options.json, error);
    const bool written = out_flush(out);
    if (!written)
        std::fputs("Write failed on standard output\n", err);
    if (!error.empty())
        std::fprintf(err, "%s\n", error.c_str());
    return written && error.empty() ? exit_ok : exit_failed;
}

}  // namespace

int run_capture(const RunOptions& options, Input& input, const char* name, const RunBuffers& buffers,
                std::FILE* out_stream, std::FILE* keys, std::FILE* err)
{
    std::FILE* const file = capture_file(input);
    if (file == nullptr) {
        std::fprintf(err, "Read failed on input file : %s\n", shown_name(name).c_str());
        return exit_failed;
    }
    std::string error;
    Capture* const capture = capture_open(file, error);
    if (capture == nullptr) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    if (options.flows_mode) {
        const int status = run_flows(options, *capture, buffers, out_stream, err);
        capture_close(capture);
        return status;
    }
    FlowStream flow;
    CaptureDatagrams datagrams{*capture};
    flow.datagrams = &datagrams;
    flow.wanted = options.flow_mode;
    flow.destination = options.flow_destination;
    CaptureFlow capture_flow;
    capture_flow_start(capture_flow, flow, flow_figures_wanted(summary_shown(options), options.write_mode));
    int status = exit_failed;
    if (!flow_start(flow)) {
        if (!flow.error.empty())
            std::fprintf(err, "%s\n", flow.error.c_str());
        char text[64];
        endpoint_text(options.flow_destination, text, sizeof text);
        if (options.flow_mode)
            std::fprintf(err, "No flow to %s carries TS in the capture: %s\n", text, shown_name(name).c_str());
        else
            std::fprintf(err, "No UDP flow carries TS in the capture: %s\n", shown_name(name).c_str());
    } else {
        status = run_stream(options, StreamInput{input.file, &flow.bytes, &capture_flow}, name, buffers, out_stream, keys, err);
        if (!flow.error.empty()) {
            std::fprintf(err, "%s\n", flow.error.c_str());
            status = exit_failed;
        }
    }
    capture_close(capture);
    return status;
}

}  // namespace ostrel
