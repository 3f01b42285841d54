#include "pass/clock.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

// A difference longer than this is no measure of the rate: a gap in the clock.
constexpr double longest_segment = 10.0;

}  // namespace

void clock_reset(Clock& clock)
{
    clock = Clock{};
    clock.pid = no_pid;
}

Stretch clock_take_pcr(Clock& clock, std::uint64_t offset, std::uint64_t pcr, bool discontinuity)
{
    if (clock.pcrs++ == 0) {
        clock.first_offset = clock.last_offset = offset;
        clock.first_pcr = clock.last_pcr = pcr;
        return Stretch{offset, 0, 0};
    }
    const std::uint64_t ticks = pcr_difference(pcr, clock.last_pcr);
    const double seconds = static_cast<double>(ticks) / pcr_hz;
    const double bytes = static_cast<double>(offset - clock.last_offset);
    Stretch ended{clock.last_offset, clock.last_time, clock.seconds_per_byte};
    if (!discontinuity && seconds > 0 && seconds <= longest_segment && bytes > 0) {
        if (!clock_known(clock)) {
            // The first interval that counts: those before it (from the first
            // PCR on) are timed at its rate.
            clock.bridged_seconds = static_cast<double>(clock.last_offset - clock.first_offset) * (seconds / bytes);
            ended.start_time = clock.bridged_seconds;
        }
        clock.seconds_per_byte = ended.seconds_per_byte = seconds / bytes;
        clock.counted_ticks += ticks;
        clock.counted_bytes += bytes;
        clock.net_ticks += static_cast<double>(ticks);
        clock.net_bytes += bytes;
    } else if (clock_known(clock)) {
        clock.bridged_seconds += bytes * clock.seconds_per_byte;  // across the gap at the rate before it
        const std::uint64_t back = pcr_wrap - ticks;  // ticks of a step back
        if (!discontinuity && ticks > pcr_wrap / 2 && static_cast<double>(back) / pcr_hz <= longest_segment) {
            clock.net_ticks -= static_cast<double>(back);
            clock.net_bytes += bytes;
        }
    }
    clock.last_time = static_cast<double>(clock.counted_ticks) / pcr_hz + clock.bridged_seconds;
    clock.last_offset = offset;
    clock.last_pcr = pcr;
    return ended;
}

}  // namespace ostrel
