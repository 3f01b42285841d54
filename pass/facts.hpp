// What is read off the analysis: the duration and rate, the programs' streams
// as their map sections list them (also when a map section arrives), and what
// each PID carries.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "pass/analysis.hpp"
#include "output/output.hpp"

namespace ostrel {

struct Duration {
    bool known;
    double seconds;
    double bitrate;  // bits a second over the stretch the PCRs span
    unsigned pid;    // the PCR PID measured
};

// From the reference PID of the clock: its first PCR to its last, in the
// time of the clock.
Duration capture_duration(const Analysis& a);

struct PidTotals {
    std::uint64_t cc_errors, transport_errors, scrambled;
};

PidTotals pid_totals(const Analysis& a);

struct StreamEntry {
    unsigned pid;
    unsigned stream_type;
    char language[4];  // ISO 639 code from an ISO_639_language_descriptor, "" when none
    bool sparse_pts;   // subtitles or teletext: a PTS only when the content changes
    const unsigned char* info;  // its ES_info descriptors, in the program's map section
    std::size_t info_length;
};

// The program_info descriptors of the program's map section.
inline void program_info(const Program& program, const unsigned char*& info, std::size_t& length)
{
    info = program.pmt.program_info;
    length = program.pmt.program_info_held;
}

inline constexpr unsigned max_streams = max_pmt_streams;

// The PCR_PID of the program's map section; 0x1FFF when its body does not hold one.
inline unsigned pcr_pid(const Program& program) { return program.has_pmt ? program.pmt.pcr_pid : pid_null; }
// Reads the ES_info descriptors of each stream of the program's map section into its notes.
void note_streams(Program& program);
// The streams of the program's map section; yields how many.
unsigned program_streams(const Program& program, StreamEntry* streams, unsigned capacity);

// What the PID carries, as the summary names it, with the programs it
// belongs to (map tables, streams, PCR PIDs) in `program_numbers`.
std::string pid_carries(const Analysis& a, unsigned pid, std::vector<unsigned>& program_numbers);
// " program 1", " programs 1, 2, 5", or "" for none.
std::string program_list(const std::vector<unsigned>& numbers);

// Pieces of text joined, appended one by one (GCC 12 warns, wrongly, of
// overlaps in chains of std::string additions).
std::string joined(std::initializer_list<std::string_view> pieces);

}  // namespace ostrel
