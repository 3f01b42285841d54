#include "cli/run.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "reports/check/check_report.hpp"
#include "reports/cues/cues_report.hpp"
#include "reports/cut/cut_report.hpp"
#include "reports/html/html_report.hpp"
#include "reports/timeline/timeline_report.hpp"
#include "cli/help.hpp"
#include "sources/input.hpp"
#include "cli/write_target.hpp"
#include "pass/network/flow_figures.hpp"
#include "sources/udp/udp_receiver.hpp"
#include "reports/summary/summary_report.hpp"
#include "reports/tables/tables_report.hpp"
#include "reports/packets/packet_report.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/program_tables/pat_report.hpp"
#include "reports/program_tables/pmt_report.hpp"

namespace ostrel {
namespace {

constexpr std::size_t block_bytes = 1024 * packet_size;  // 188 KiB read at a time: 47 pages

ReportEnd run_report(const RunOptions& options, const PacketInput& in, SyncLog& log, const char* name,
                     std::FILE* keys, const CaptureFlow* flow)
{
    if (options.check_mode)
        return report_check(in, log.out,
                            CheckOptions{options.json, options.check_priority, options.all_findings, flow != nullptr && flow->stream->live},
                            log.err);
    if (options.summary_mode)
        return report_summary(in, log.out, name, options.json, log.err, flow);
    if (options.timeline_mode)
        return report_timeline(in, log.out,
                               TimelineOptions{options.json, options.timeline_interval, flow != nullptr && flow->stream->live},
                               log.err);
    if (options.cues_mode)
        return report_cues(in, log.out, options.json, log.err);
    if (options.tables_mode)
        return report_tables(in, log.out, options.pid_filter, options.json, log.err);
    if (options.pat_mode)
        return report_pat(in, log);
    if (options.pmt_mode)
        return report_pmt(in, log, options.pmt_pid);
    return report_packets(in, log, options.pid_filter, options.step_mode, options.decode, keys);
}

// The one line that says why a report ended short; nothing when it ended as asked.
void put_end_message(ReportEnd end, const char* name, std::FILE* err)
{
    switch (end) {
    case ReportEnd::done:
    case ReportEnd::not_found:  // silent: nothing on the PID
    case ReportEnd::findings:   // the findings were the report
        break;
    case ReportEnd::bad_sync:
        std::fputs("Invalid sync_byte\n", err);
        break;
    case ReportEnd::read_error:
        std::fprintf(err, "Read failed on input file : %s\n", name);
        break;
    case ReportEnd::invalid_pmt:
        std::fputs("Invalid PMT PID\n", err);
        break;
    case ReportEnd::section_past_packet:
        std::fputs("Section continues past this packet\n", err);
        break;
    case ReportEnd::no_packets:
        std::fputs("No packets found\n", err);
        break;
    case ReportEnd::out_of_memory:
        std::fputs("Out of memory\n", err);
        break;
    }
}

// --write: the cut into its target; every message on `err`, the status.
int run_write(const RunOptions& options, const PacketInput& in, const char* name, std::FILE* err)
{
    WriteTarget target;
    std::string error;
    if (!open_target(options.write_path, in.file, target, error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    CutOptions cut;
    cut.pids = options.pid_list;
    if (options.pid_filter <= 0x1FFF)
        cut.pids.push_back(options.pid_filter);
    cut.program = options.program_mode;
    cut.program_number = options.program_number;
    cut.from = options.from;
    cut.to = options.to;
    cut.es = options.es_mode;
    cut.es_pid = options.es_pid;
    const CutResult result = write_cut(in, cut, target.file, err);
    const bool ok = result.end == ReportEnd::done && !result.write_failed;
    const bool closed = close_target(target, ok);
    put_end_message(result.end, name, err);
    if (result.end == ReportEnd::done && (result.write_failed || !closed))
        std::fprintf(err, "Write failed on output file : %s\n", options.write_path.c_str());
    if (options.es_mode && result.es_gaps > 0)
        std::fprintf(err, "%llu packets lost inside PES packets of PID %04X: the stream written has gaps\n",
                     static_cast<unsigned long long>(result.es_gaps), options.es_pid);
    return ok && closed ? exit_ok : exit_failed;
}

// The rows behind the page's charts: those of --timeline:SECONDS, else a
// tenth of a second, merged as the file turns out long.
constexpr double html_interval_s = 0.1;

// --html: the page into its target; every message on `err`, the status.
int run_html(const RunOptions& options, const PacketInput& in, const char* name, const CaptureFlow* flow,
             std::FILE* err)
{
    WriteTarget target;
    std::string error;
    if (!open_target(options.html_path, in.file, target, error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return exit_failed;
    }
    const double interval = options.timeline_mode ? options.timeline_interval : html_interval_s;
    const ReportEnd end = report_html(in, target.file, name, interval, err, flow);
    const bool closed = close_target(target, end == ReportEnd::done);
    put_end_message(end, name, err);
    if (end == ReportEnd::done && !closed)
        std::fprintf(err, "Write failed on output file : %s\n", options.html_path.c_str());
    return end == ReportEnd::done && closed ? exit_ok : exit_failed;
}

}  // namespace

int run_on_file(const RunOptions& options, std::FILE* file, const char* name, const RunBuffers& buffers,
                std::FILE* out_stream, std::FILE* keys, std::FILE* err)
{
    Input input;
    if (!open_input(file, input)) {
        std::fprintf(err, "Read failed on input file : %s\n", name);
        return exit_failed;
    }
    if (input.capture)
        return run_capture(options, input, name, buffers, out_stream, keys, err);
    if (options.flows_mode || options.flow_mode) {
        std::fprintf(err, "Not a network capture (pcap or pcapng): %s\n", name);
        return exit_failed;
    }
    const StreamInput stream{file, input.head_length > 0 ? &input.source : nullptr, nullptr};
    return run_stream(options, stream, name, buffers, out_stream, keys, err);
}

int run_stream(const RunOptions& options, const StreamInput& stream, const char* name, const RunBuffers& buffers,
               std::FILE* out_stream, std::FILE* keys, std::FILE* err)
{
    const CaptureFlow* const flow = stream.flow;
    const std::size_t piece = buffers.read_piece != 0 ? buffers.read_piece : buffers.block_bytes;
    const PacketInput in{stream.file, buffers.block, buffers.block_bytes, piece, options.resync, nullptr,
                         flow != nullptr ? flow->stream->log.get() : nullptr, stream.source};
    if (options.write_mode)
        return run_write(options, in, name, err);
    if (options.html_mode)
        return run_html(options, in, name, flow, err);
    Output out{out_stream, buffers.text, buffers.text_capacity, 0, false};
    SyncLog log{out, err};

    const ReportEnd end = run_report(options, in, log, name, keys, flow);
    // Standard output first, so that a message follows what was printed before it.
    const bool written = out_flush(out);
    if (!written)
        std::fputs("Write failed on standard output\n", err);
    put_end_message(end, name, err);
    return written && end == ReportEnd::done && !log.lost ? exit_ok : exit_failed;
}

int run(int argc, const char* const* argv)
{
    if (argc < 2) {
        std::fputs(usage_text, stderr);
        return exit_usage;
    }
    // Alone, these are questions about the program; a file of that name is ./--help.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
        return std::fputs(help_text, stdout) >= 0 && std::fflush(stdout) == 0 ? exit_ok : exit_failed;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return std::printf("ostrel %s\n", OSTREL_VERSION) > 0 && std::fflush(stdout) == 0 ? exit_ok : exit_failed;
    const RunOptions options = parse_options(argc, argv);
    if (!options.option_error.empty()) {
        std::fprintf(stderr, "%s\n", options.option_error.c_str());
        return exit_failed;
    }
    if (is_udp_url(argv[1])) {  // a file of such a name is ./udp:...
        const std::unique_ptr<unsigned char, decltype(&std::free)> block(
            static_cast<unsigned char*>(std::aligned_alloc(page_bytes, block_bytes)), &std::free);
        const std::unique_ptr<char[]> text(new char[output_capacity]);
        if (block == nullptr) {
            std::fputs("Out of memory\n", stderr);
            return exit_failed;
        }
        const RunBuffers buffers{block.get(), block_bytes, 0, text.get(), output_capacity};
        return run_live(options, argv[1], buffers, stdout, stdin, stderr);
    }
    std::FILE* const file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "Open failed on input file : %s", argv[1]);
        return exit_failed;
    }
    // Page-aligned, so that every read lands on whole pages.
    const std::unique_ptr<unsigned char, decltype(&std::free)> block(
        static_cast<unsigned char*>(std::aligned_alloc(page_bytes, block_bytes)), &std::free);
    if (block == nullptr) {
        std::fputs("Out of memory\n", stderr);
        return exit_failed;
    }
    const std::unique_ptr<char[]> text(new char[output_capacity]);
    const RunBuffers buffers{block.get(), block_bytes, 0, text.get(), output_capacity};
    const int status = run_on_file(options, file, argv[1], buffers, stdout, stdin, stderr);
    std::fclose(file);
    return status;
}

}  // namespace ostrel
