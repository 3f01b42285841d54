// Time in a file, which has no arrival clock: a packet's time is its byte
// position converted by the transport rate that the PCRs of the reference PID
// give. The rate is measured between consecutive PCRs; a position after the
// latest PCR is converted at the latest rate, a position before the second
// PCR at the rate of the first pair. Times are seconds from the first PCR.
#pragma once

#include <cstdint>

namespace ostrel {

inline constexpr std::uint64_t pcr_wrap = (std::uint64_t{1} << 33) * 300;  // 27 MHz ticks
inline constexpr double pcr_hz = 27'000'000.0;

struct Clock {
    unsigned pid;                // the reference PCR PID, or 0xFFFF before the first PCR
    unsigned pcrs;               // PCRs taken on it
    std::uint64_t last_offset;   // byte offset of its latest PCR packet
    std::uint64_t last_pcr;      // that PCR, 27 MHz
    double last_time;            // its time
    double rate;                 // bytes a second of the latest segment; 0 until known
    double seconds_per_byte;     // 1 / rate
    std::uint64_t first_offset;  // the segment the first rate was measured on starts here
    double first_time;
    double first_rate;
};

void clock_reset(Clock& clock);

// A PCR of the reference PID at `offset`; `discontinuity` is its discontinuity_indicator.
void clock_take_pcr(Clock& clock, std::uint64_t offset, std::uint64_t pcr, bool discontinuity);

inline bool clock_known(const Clock& clock) { return clock.rate > 0; }

// The time of byte `offset` at or after the latest PCR; the clock must be known.
inline double clock_time(const Clock& clock, std::uint64_t offset)
{
    return clock.last_time + static_cast<double>(offset - clock.last_offset) * clock.seconds_per_byte;
}

// When something was last seen: its time where the clock was known then,
// else its offset, converted once the first rate is known.
struct EventTime {
    std::uint64_t offset;
    double time;
    bool timed;
};

inline EventTime note_event(const Clock& clock, std::uint64_t offset)
{
    return clock_known(clock) ? EventTime{offset, clock_time(clock, offset), true} : EventTime{offset, 0, false};
}

double event_time(const Clock& clock, const EventTime& event);

// PCR differences modulo the 33-bit base wrap.
inline std::uint64_t pcr_difference(std::uint64_t later, std::uint64_t earlier)
{
    return (later + pcr_wrap - earlier) % pcr_wrap;
}

}  // namespace ostrel
