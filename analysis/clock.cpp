#include "analysis/clock.hpp"

namespace ostrel {
namespace {

// A difference longer than this is no measure of the rate: a gap in the clock.
constexpr double longest_segment = 10.0;

}  // namespace

void clock_reset(Clock& clock)
{
    clock = Clock{};
    clock.pid = 0xFFFF;
}

void clock_take_pcr(Clock& clock, std::uint64_t offset, std::uint64_t pcr, bool discontinuity)
{
    if (clock.pcrs++ == 0) {
        clock.last_offset = clock.first_offset = offset;
        clock.last_pcr = pcr;
        return;
    }
    const double seconds = static_cast<double>(pcr_difference(pcr, clock.last_pcr)) / pcr_hz;
    const double bytes = static_cast<double>(offset - clock.last_offset);
    if (!discontinuity && seconds > 0 && seconds <= longest_segment && bytes > 0) {
        if (!clock_known(clock)) {
            clock.first_rate = bytes / seconds;
            clock.first_time = clock.last_time;
            clock.first_offset = clock.last_offset;
        }
        clock.rate = bytes / seconds;
        clock.seconds_per_byte = seconds / bytes;
        clock.last_time += seconds;
    } else if (clock_known(clock)) {
        clock.last_time += bytes * clock.seconds_per_byte;  // across the gap at the rate before it
    } else {
        clock.first_offset = offset;  // no rate yet: start again here
    }
    clock.last_offset = offset;
    clock.last_pcr = pcr;
}

double event_time(const Clock& clock, const EventTime& event)
{
    if (event.timed)
        return event.time;
    // Noted before the clock was known: before the end of the first segment.
    return clock.first_time +
           (static_cast<double>(event.offset) - static_cast<double>(clock.first_offset)) / clock.first_rate;
}

}  // namespace ostrel
