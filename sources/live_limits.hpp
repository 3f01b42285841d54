// What ends a live run, whatever its source (a UDP socket, an SRT link, a
// live playlist): a signal, --for: seconds of its own time, --timeout:
// seconds without data; and what is told while it waits (--metrics).
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace ostrel {

struct LiveLimits {
    double for_seconds = 0;       // stop after this much of the stream's own time (0: no limit)
    double timeout_seconds = 5;   // no data for this long: the end, as a failure
    const std::atomic<bool>* stop = nullptr;  // set by a signal: the end, cleanly
    std::function<void()> quiet;  // called each time a wait for data comes back empty, when set
};

inline bool stop_asked(const LiveLimits& l) { return l.stop != nullptr && l.stop->load(); }

// A wait of `seconds` that brought nothing, `quiet` seconds of them in a
// row now: the hook told; false with "No data for N s" once the timeout is reached.
inline bool wait_came_empty(const LiveLimits& l, double seconds, double& quiet, std::string& error)
{
    quiet += seconds;
    if (l.quiet)
        l.quiet();
    if (l.timeout_seconds > 0 && quiet >= l.timeout_seconds) {
        char text[64];
        std::snprintf(text, sizeof text, "No data for %g s", l.timeout_seconds);
        error = text;
        return false;
    }
    return true;
}

// Whether a datagram at `time_ns` comes after --for: has run out since the first at `first_ns`.
inline bool past_for(const LiveLimits& l, std::int64_t first_ns, std::int64_t time_ns)
{
    return l.for_seconds > 0 && static_cast<double>(time_ns - first_ns) / 1e9 >= l.for_seconds;
}

}  // namespace ostrel
