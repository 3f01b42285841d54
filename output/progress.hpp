// A progress line on standard error for long runs: only when standard error
// is a terminal and the run has taken more than a second; redrawn in place a
// few times a second and erased at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace ostrel {

struct Progress {
    std::FILE* err;
    bool enabled;
    bool drawn;
    std::uint64_t total;  // the file's size, 0 when not known (a pipe)
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point last_draw;
};

Progress progress_start(std::FILE* err, std::FILE* input);
// Called now and then with the bytes read so far.
void progress_update(Progress& progress, std::uint64_t bytes);
void progress_end(Progress& progress);

}  // namespace ostrel
