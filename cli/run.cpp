#include "cli/run.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cli/help.hpp"
#include "cli/report_registry.hpp"
#include "pass/network/flow_figures.hpp"
#include "reports/metrics/metrics_tap.hpp"
#include "sources/hls/fetch.hpp"
#include "sources/input.hpp"
#include "sources/srt/srt_receiver.hpp"
#include "sources/udp/udp_receiver.hpp"
#include "ts/utf8.hpp"

namespace ostrel {
namespace {

constexpr std::size_t block_bytes = 1024 * packet_size;  // 188 KiB read at a time: 47 pages

// Runs `run` with the run's two buffers: the read block, page-aligned so
// that every read lands on whole pages, and the text buffer.
template <class Run>
int with_buffers(MetricsTap* metrics, Run&& run)
{
    const std::unique_ptr<unsigned char, decltype(&std::free)> block(
        static_cast<unsigned char*>(std::aligned_alloc(page_bytes, block_bytes)), &std::free);
    if (block == nullptr) {
        std::fputs("Out of memory\n", stderr);
        return exit_failed;
    }
    const std::unique_ptr<char[]> text(new char[output_capacity]);
    return run(RunBuffers{block.get(), block_bytes, 0, text.get(), output_capacity, metrics});
}

// --metrics: the endpoint listens before the input is opened, for as long as
// the run goes on; false with the message said when it cannot.
bool start_metrics(const RunOptions& options, const char* input, std::unique_ptr<MetricsServer>& server,
                   std::unique_ptr<MetricsTap>& metrics)
{
    MetricsAddress address;
    std::string error;
    parse_metrics_address(options.metrics_address, address);  // read when the option was
    server = std::make_unique<MetricsServer>();
    if (!server->start(address, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    // The indicators the report checks: those --check:N asks for, all three
    // for the rows of --timeline and --html:, else priorities 1 and 2.
    const unsigned priority = options.check_mode                           ? options.check_priority
                              : (options.timeline_mode || options.html_mode) ? 3
                                                                             : 2;
    metrics = std::make_unique<MetricsTap>(*server, input, OSTREL_VERSION, priority);
    return true;
}

// Step mode reads its keys from the terminal when the stream comes on
// standard input, or none when there is no terminal.
int run_on_named_file(const RunOptions& options, std::FILE* file, const char* name, bool standard_input,
                      const RunBuffers& buffers)
{
    std::FILE* keys = stdin;
    if (standard_input && (keys = std::fopen("/dev/tty", "r")) == nullptr)
        keys = std::fopen("/dev/null", "r");
    if (keys == nullptr) {
        std::fputs("ostrel: no keyboard for step mode\n", stderr);
        return exit_failed;
    }
    const int status = run_on_file(options, file, name, buffers, stdout, keys, stderr);
    if (standard_input)
        std::fclose(keys);
    return status;
}

}  // namespace

int run_on_file(const RunOptions& options, std::FILE* file, const char* name, const RunBuffers& buffers,
                std::FILE* out_stream, std::FILE* keys, std::FILE* err)
{
    Input input;
    if (!open_input(file, input)) {
        std::fprintf(err, "Read failed on input file : %s\n", shown_name(name).c_str());
        return exit_failed;
    }
    if (input.capture)
        return run_capture(options, input, name, buffers, out_stream, keys, err);
    if (options.flows_mode || options.flow_mode) {
        std::fprintf(err, "Not a network capture (pcap or pcapng): %s\n", shown_name(name).c_str());
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
    const PacketInput in{stream.file, buffers.block, buffers.block_bytes, piece, options.resync, nullptr, stream.source,
                         buffers.metrics};
    const std::unique_ptr<Report> report = choose_report(options);
    if (options.hls_mode && stream.hls == nullptr) {
        std::fputs("ostrel: --hls reads a playlist (.m3u8, or a file or URL that begins with #EXTM3U)\n", err);
        return exit_failed;
    }
    return report->run(ReportRun{in, name, flow, out_stream, buffers.text, buffers.text_capacity, keys, err,
                                 stream.hls, stream.live_playlist});
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
    // The arguments ignored, said once the input is open (a file name after an
    // option in its place is no argument to note).
    const auto put_notes = [&options] {
        for (const std::string& note : options.notes)
            std::fprintf(stderr, "%s\n", note.c_str());
    };
    if (!options.option_error.empty()) {
        std::fprintf(stderr, "%s\n", options.option_error.c_str());
        return exit_failed;
    }
    std::unique_ptr<MetricsServer> server;
    std::unique_ptr<MetricsTap> metrics;
    if (options.metrics_mode && !start_metrics(options, argv[1], server, metrics))
        return exit_failed;
    const bool live = is_udp_url(argv[1]) || is_srt_url(argv[1]);
    if (live || is_http_url(argv[1])) {  // a file of such a name is ./udp:...
        put_notes();
        return with_buffers(metrics.get(), [&](const RunBuffers& buffers) {
            return live ? run_live(options, argv[1], buffers, stdout, stdin, stderr)
                        : run_playlist(options, argv[1], buffers, stdout, stdin, stderr);
        });
    }
    // "-" is standard input; a file of that name is ./-
    const bool standard_input = std::strcmp(argv[1], "-") == 0;
    std::FILE* const file = standard_input ? stdin : std::fopen(argv[1], "rb");
    if (file == nullptr) {
        const int why = errno;
        std::fprintf(stderr, "Open failed on input file : %s\n", shown_name(argv[1]).c_str());
        RunOptions as_option;
        if (why == ENOENT && argv[1][0] == '-' && apply_option(as_option, argv[1]))
            std::fputs("ostrel: options go after the file name\n", stderr);
        else
            std::fprintf(stderr, "ostrel: %s\n", std::strerror(why));
        return exit_failed;
    }
    put_notes();
    if (!standard_input && names_playlist(argv[1], file)) {
        std::fclose(file);
        return with_buffers(metrics.get(), [&](const RunBuffers& buffers) {
            return run_playlist(options, argv[1], buffers, stdout, stdin, stderr);
        });
    }
    const int status = with_buffers(metrics.get(), [&](const RunBuffers& buffers) {
        return run_on_named_file(options, file, argv[1], standard_input, buffers);
    });
    if (!standard_input)
        std::fclose(file);
    return status;
}

}  // namespace ostrel
