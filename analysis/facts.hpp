// What is read off the analysis: the duration and rate, the programs' streams
// as their map sections list them (also when a map section arrives), and what
// each PID carries.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "analysis/analysis.hpp"
#include "packets/output.hpp"

namespace ostrel {

struct Duration {
    bool known;
    double seconds;
    double bitrate;  // bits a second over the stretch the PCRs span
    unsigned pid;    // the PCR PID measured
};

// From the PCR PID of the first program (in PAT order) that has PCRs, else
// from the first PID with PCRs.
Duration capture_duration(const Analysis& a);

struct PidTotals {
    std::uint64_t cc_errors, transport_errors, scrambled;
};

PidTotals pid_totals(const Analysis& a);

struct StreamEntry {
    unsigned pid;
    unsigned stream_type;
    char language[4];  // ISO 639 code from an ISO_639_language_descriptor, "" when none
};

inline constexpr unsigned max_streams = 256;

unsigned pcr_pid(const Program& program);
// The streams of the program's map section; yields how many.
unsigned program_streams(const Program& program, StreamEntry* streams, unsigned capacity);

// What the PID carries, as the summary names it; `program_number` is set for
// map tables and streams, else 0.
std::string pid_carries(const Analysis& a, unsigned pid, unsigned& program_number);

// printf into the output, one bounded piece (up to 1 KiB).
void out_format(Output& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace ostrel
