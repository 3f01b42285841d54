// Time in a file, which has no arrival clock: a packet's time is its byte
// position converted by the transport rate that the PCRs of the reference PID
// give, piecewise: between two consecutive PCRs the time runs linearly from
// the one PCR's value to the other's; before the first pair at the first
// pair's rate, after the last PCR at the last pair's rate. Times are seconds
// from the first PCR.
#pragma once

#include <cstdint>

namespace ostrel {

inline constexpr std::uint64_t pcr_wrap = (std::uint64_t{1} << 33) * 300;  // 27 MHz ticks
inline constexpr double pcr_hz = 27'000'000.0;

struct Clock {
    unsigned pid;              // the reference PCR PID, or 0xFFFF before the first PCR
    unsigned pcrs;             // PCRs taken on it
    std::uint64_t last_offset; // byte offset of its latest PCR packet
    std::uint64_t last_pcr;    // that PCR, 27 MHz
    double last_time;          // its time
    double seconds_per_byte;   // of the latest pair; 0 until a pair was measured
};

// How the bytes from `start` on are timed: linearly from `start_time` at
// `seconds_per_byte` (0: no rate is known yet, nothing can be timed).
struct Stretch {
    std::uint64_t start;
    double start_time;
    double seconds_per_byte;
};

inline double stretch_time(const Stretch& s, std::uint64_t offset)
{
    return s.start_time + (static_cast<double>(offset) - static_cast<double>(s.start)) * s.seconds_per_byte;
}

void clock_reset(Clock& clock);

// A PCR of the reference PID at `offset`, `discontinuity` its
// discontinuity_indicator. Yields how the bytes before it, since the previous
// PCR, are timed.
Stretch clock_take_pcr(Clock& clock, std::uint64_t offset, std::uint64_t pcr, bool discontinuity);

inline bool clock_known(const Clock& clock) { return clock.seconds_per_byte > 0; }

// The bytes after the latest PCR, at the latest rate: for the end of the file.
inline Stretch clock_open_stretch(const Clock& clock)
{
    return Stretch{clock.last_offset, clock.last_time, clock.seconds_per_byte};
}

// PCR differences modulo the 33-bit base wrap.
inline std::uint64_t pcr_difference(std::uint64_t later, std::uint64_t earlier)
{
    return (later + pcr_wrap - earlier) % pcr_wrap;
}

}  // namespace ostrel
