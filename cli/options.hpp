// The command line: options after the file name, matched without regard to case.
#pragma once

#include <cstdint>

#include "reports/cut/cut_report.hpp"
#include "sources/capture/frames.hpp"
#include "ts/pids.hpp"
#include <string>
#include <vector>

namespace ostrel {

struct RunOptions {
    bool step_mode = false;
    bool pat_mode = false;
    bool pmt_mode = false;
    std::uint16_t pmt_pid = 0;
    std::uint16_t pid_filter = no_pid;
    bool resync = false;        // find packets by their sync bytes
    bool summary_mode = false;  // what the capture holds
    bool check_mode = false;    // TR 101 290 indicators
    unsigned check_priority = 2;  // up to which priority (--check:1, --check:3)
    bool all_findings = false;    // --all: every finding in the text form
    bool json = false;          // --summary and --check as JSON
    bool decode = false;        // adaptation fields and PES headers decoded in the packet report
    bool tables_mode = false;   // every PSI/SI table decoded
    bool cues_mode = false;     // SCTE 35 cues
    bool timeline_mode = false;  // a row per interval of stream time
    double timeline_interval = 1.0;  // s, --timeline:SECONDS
    bool html_mode = false;     // --html:FILE, one page with the summary, the check and charts
    std::string html_path;
    // Cutting: --write:FILE with a selection (--pids:, --program:, --pid:) and a window (--from:, --to:)
    bool write_mode = false;
    std::string write_path;
    std::vector<std::uint16_t> pid_list;
    bool program_mode = false;
    unsigned program_number = 0;
    CutBound from, to;
    bool es_mode = false;       // --es:HHHH: that PID's PES payloads
    std::uint16_t es_pid = 0;
    // Network captures: --flows lists the flows, --flow:ADDR:PORT picks one by its destination
    bool flows_mode = false;
    bool flow_mode = false;
    Endpoint flow_destination{};
    // Live input (udp://): stop after this much arrival time (0: none); no data for this long ends it
    double for_seconds = 0;
    double timeout_seconds = 5;
    // Playlists: --hls checks their segments; --variant:N the variant the other reports read
    bool hls_mode = false;
    unsigned variant = 0;
    // --metrics:[ADDRESS:]PORT: the pass's figures for Prometheus while the run goes on
    bool metrics_mode = false;
    std::string metrics_address;
    std::string option_error;   // an option whose value cannot be read: the run stops with it
    std::vector<std::string> notes;  // lines on the arguments ignored, for standard error
};

// Whether the report chosen shows the summary (--summary, or the page of --html:).
inline bool summary_shown(const RunOptions& o) { return o.html_mode || (o.summary_mode && !o.check_mode); }

// Reads argv[2] .. argv[argc - 1]; unknown arguments are ignored, each with a note.
RunOptions parse_options(int argc, const char* const* argv);

// Applies one argument to `options`; false when it is no option taken here.
bool apply_option(RunOptions& options, const char* argument);

}  // namespace ostrel
