// A whole run: usage, options, opening the file, one report, messages, status.
#pragma once

#include <cstddef>
#include <cstdio>

#include "cli/options.hpp"
#include "reports/report.hpp"

namespace ostrel {


// Standard output is written in pieces of up to 1 MiB.
inline constexpr std::size_t output_capacity = 1024 * 1024;

// The program: argv[1] is the file name, the options follow it.
int run(int argc, const char* const* argv);

// The two buffers of a run: packets are read into `block`, text is assembled in `text`.
struct RunBuffers {
    unsigned char* block;
    std::size_t block_bytes;  // at least max_lookahead (1020)
    std::size_t read_piece;   // the most bytes one read asks for; 0: the whole block
    char* text;
    std::size_t text_capacity;  // at least the largest piece a report writes at once (8 KiB)
    struct MetricsTap* metrics = nullptr;  // --metrics: what publishes the pass's figures, or null
};

// Runs the report `options` choose over an open file. Output goes to `out_stream`,
// messages to `err`; step mode reads `keys`. `name` is only used in messages.
int run_on_file(const RunOptions& options, std::FILE* file, const char* name, const RunBuffers& buffers,
                std::FILE* out_stream, std::FILE* keys, std::FILE* err);

struct ByteSource;
struct CaptureFlow;
struct Input;

// A transport stream to report on: a file, its bytes read through `source`
// when set (the first bytes handed back, or the flow of a capture, whose
// arrival times and figures the reports then use).
struct StreamInput {
    std::FILE* file;  // the file itself, also when read through a source
    ByteSource* source;
    const CaptureFlow* flow;
    const HlsInput* hls = nullptr;  // a playlist's segments: the playlist named
    bool live_playlist = false;
};

int run_stream(const RunOptions& options, const StreamInput& stream, const char* name, const RunBuffers& buffers,
               std::FILE* out_stream, std::FILE* keys, std::FILE* err);

// A network capture: --flows, or the report over one of its flows.
int run_capture(const RunOptions& options, Input& input, const char* name, const RunBuffers& buffers,
                std::FILE* out_stream, std::FILE* keys, std::FILE* err);

// A playlist (`location`: a path or an http(s) URL): --hls, or the report
// over the segments of one media playlist as one stream.
int run_playlist(const RunOptions& options, const char* location, const RunBuffers& buffers, std::FILE* out_stream,
                 std::FILE* keys, std::FILE* err);

// Whether the command line's input names a playlist: an http(s) URL, a name
// ending .m3u8 or .m3u, or a file that begins with #EXTM3U.
bool names_playlist(const char* argument, std::FILE* file);

struct LiveLimits;
// What ends a live run and what it tells while it waits, from the options
// (--for:, --timeout:, the signals' flag, --metrics).
LiveLimits live_limits(const RunOptions& options, const RunBuffers& buffers);

// A live stream received on a UDP socket (`url`: udp://...), until it
// ends, is stopped (SIGINT, SIGTERM, --for:) or goes quiet (--timeout:).
int run_live(const RunOptions& options, const char* url, const RunBuffers& buffers, std::FILE* out_stream,
             std::FILE* keys, std::FILE* err);

}  // namespace ostrel
