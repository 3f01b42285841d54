// Cutting a capture: the packets a selection and a window keep, written as
// plain 188-byte packets; with a program, the PAT rewritten to list it
// alone; or one PID's elementary stream (its PES payloads).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include <string>

#include "reports/report.hpp"

namespace ostrel {

// A packet number (from 1) or a time in seconds from the first packet.
struct CutBound {
    bool set = false;
    bool seconds = false;
    double value = 0;
};

struct CutOptions {
    std::vector<std::uint16_t> pids;  // --pids: and --pid:
    bool program = false;
    unsigned program_number = 0;
    CutBound from, to;
    bool es = false;
    std::uint16_t es_pid = 0;
};

struct CutResult {
    ReportEnd end;
    bool write_failed;
    std::uint64_t packets_written;
    std::uint64_t es_gaps;  // lost packets inside a PES packet of the --es: PID
};

CutResult write_cut(const PacketInput& in, const CutOptions& options, std::FILE* out, std::FILE* err);

// --write:FILE as a report: the cut into its target, which a failed run leaves as it was.
struct CutReport final : Report {
    CutReport(const CutOptions& asked, const std::string& target) : options(asked), path(target) {}
    CutOptions options;
    std::string path;
    int run(const ReportRun& run) override;
};

}  // namespace ostrel
