// The one report interface: a report is a type that holds what its options
// asked for, runs over the packets of the input, and finishes: its text
// written out, the line that says why it ended short, the exit status. The
// command line maps options to reports through one registry (cli/).
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

enum ExitStatus { exit_ok = 0, exit_failed = 1, exit_usage = 2 };

struct CaptureFlow;
struct HlsInput;

// What every report is given.
struct ReportRun {
    const PacketInput& in;
    const char* name;          // the input as named, for the reports and messages that say it
    const CaptureFlow* flow;   // a capture's or a live stream's flow; null for a file
    std::FILE* out_stream;     // standard output
    char* text;                // the buffer text is assembled in
    std::size_t text_capacity;
    std::FILE* keys;           // what step mode reads
    std::FILE* err;            // messages
    const HlsInput* hls = nullptr;  // a playlist named on the command line (--hls reads it), or null
    bool live_playlist = false;     // the stream is a live playlist's
};

struct Report {
    virtual ~Report() = default;
    // Runs the report; the exit status.
    virtual int run(const ReportRun& run) = 0;
};

// A report whose text goes to standard output: the finish they share.
struct TextReport : Report {
    int run(const ReportRun& run) final;

protected:
    // Writes the report into `log.out` (messages of its own on `log.err`).
    virtual ReportEnd write(const ReportRun& run, SyncLog& log) = 0;
};

// A report that writes a file of its own (--write:, --html:): `write` into
// the target at `path`, which a failed run leaves as it was; the messages and
// the exit status. `write` yields how it ended and whether its writes failed.
struct TargetWrite {
    ReportEnd end;
    bool write_failed;
};
int run_into_target(const ReportRun& run, const std::string& path,
                    const std::function<TargetWrite(std::FILE* target)>& write);

// True when the input is a live stream: what a report writes goes out as it comes.
bool live_input(const ReportRun& run);

// The line that says why a report ended short (and, for a lost sync byte, a
// line of how to read on); nothing when it ended as asked.
void put_end_message(ReportEnd end, const ReportRun& run);

}  // namespace ostrel
