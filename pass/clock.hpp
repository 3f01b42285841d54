// Time in a file, which has no arrival clock: a packet's time is its byte
// position converted by the transport rate that the PCRs of the reference PID
// give, piecewise. Between two consecutive PCRs the time runs linearly from
// the one PCR's value to the other's when their difference counts (no
// discontinuity_indicator, more than 0 and at most 10 s); any other interval
// is timed by its bytes at the rate of the interval before it, or, while no
// interval has counted yet, at the rate of the first that does. Before the
// first PCR and after the last the time runs at the mean rate: the counted
// intervals' bytes over their counted time (while the pass is under way, the
// mean so far). Times are seconds from the first PCR.
#pragma once

#include <cstdint>

namespace ostrel {

inline constexpr std::uint64_t pcr_wrap = (std::uint64_t{1} << 33) * 300;  // 27 MHz ticks
inline constexpr double pcr_hz = 27'000'000.0;

struct Clock {
    unsigned pid;               // the reference PCR PID, or no_pid before the first PCR
    unsigned pcrs;              // PCRs taken on it
    std::uint64_t first_offset; // byte offset of its first PCR packet
    std::uint64_t last_offset;  // byte offset of its latest PCR packet
    std::uint64_t last_pcr;     // that PCR, 27 MHz
    std::uint64_t first_pcr;    // its first PCR, 27 MHz: the value at time 0
    double last_time;           // its time: counted_ticks and bridged_seconds
    double seconds_per_byte;    // of the latest counted interval; 0 until one counted
    std::uint64_t counted_ticks;  // the counted intervals' PCR differences, added up
    double counted_bytes;         // and their bytes
    double bridged_seconds;       // the other intervals, timed by their bytes
    // The mean rate's own sums: the counted intervals, less the ticks of a
    // small step back (two PCRs swapped, one wrong value) with its bytes, so
    // that the sum telescopes to the PCRs' true span.
    double net_ticks;
    double net_bytes;
};

// How the bytes from `start` on are timed: linearly from `start_time` at
// `seconds_per_byte` (0: no rate is known yet, nothing can be timed).
// A stretch that `arrived` is timed by a network source's arrival log:
// each byte has the arrival time of the datagram it came in.
struct Stretch {
    std::uint64_t start;
    double start_time;
    double seconds_per_byte;
    bool arrived = false;
};

inline double stretch_time(const Stretch& s, std::uint64_t offset)
{
    return s.start_time + (static_cast<double>(offset) - static_cast<double>(s.start)) * s.seconds_per_byte;
}

// Whether the stretch gives its bytes a time at all.
inline bool stretch_timed(const Stretch& s) { return s.arrived || s.seconds_per_byte > 0; }

void clock_reset(Clock& clock);

// A PCR of the reference PID at `offset`, `discontinuity` its
// discontinuity_indicator. Yields how the bytes before it, since the previous
// PCR, are timed (no rate while no interval has counted yet).
Stretch clock_take_pcr(Clock& clock, std::uint64_t offset, std::uint64_t pcr, bool discontinuity);

inline bool clock_known(const Clock& clock) { return clock.seconds_per_byte > 0; }

inline double clock_mean_seconds_per_byte(const Clock& clock)
{
    if (clock.net_bytes > 0 && clock.net_ticks > 0)
        return clock.net_ticks / pcr_hz / clock.net_bytes;
    return clock.counted_bytes > 0 ? static_cast<double>(clock.counted_ticks) / pcr_hz / clock.counted_bytes : 0;
}

// The bytes after the latest PCR, at the mean rate: for the end of the file.
inline Stretch clock_open_stretch(const Clock& clock)
{
    return Stretch{clock.last_offset, clock.last_time, clock_mean_seconds_per_byte(clock)};
}

// The bytes before the first PCR, at the mean rate (so far).
inline Stretch clock_lead_stretch(const Clock& clock)
{
    return Stretch{clock.first_offset, 0, clock_mean_seconds_per_byte(clock)};
}

// The time of a byte position from the first PCR to the latest one's stretch
// end: before the first PCR by the mean rate, else by `within`.
inline double clock_time(const Clock& clock, const Stretch& within, std::uint64_t offset)
{
    return offset < clock.first_offset ? stretch_time(clock_lead_stretch(clock), offset) : stretch_time(within, offset);
}

// The time from the first PCR to the last; 0 while fewer than two counted.
inline double clock_span(const Clock& clock) { return clock_known(clock) ? clock.last_time : 0; }

// PCR differences modulo the 33-bit base wrap.
inline std::uint64_t pcr_difference(std::uint64_t later, std::uint64_t earlier)
{
    return (later + pcr_wrap - earlier) % pcr_wrap;
}

}  // namespace ostrel
