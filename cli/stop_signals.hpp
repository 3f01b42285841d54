// SIGINT and SIGTERM during a live run: they set the one flag a signal
// handler may share, and the run ends at its next look at it.
#pragma once

#include <atomic>
#include <csignal>

namespace ostrel {

// The flag, cleared when a run starts.
std::atomic<bool>& stop_flag();

// The handlers for the run, without SA_RESTART so that a wait ends at once.
struct StopOnSignals {
    struct sigaction old_int{}, old_term{};
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;
};

}  // namespace ostrel
