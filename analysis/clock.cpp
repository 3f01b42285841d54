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

Stretch clock_take_pcr(Clock& clock, std::uint64_t offset, std::uint64_t pcr, bool discontinuity)
{
    if (clock.pcrs++ == 0) {
        clock.last_offset = offset;
        clock.last_pcr = pcr;
        return Stretch{offset, 0, 0};
    }
    Stretch ended{clock.last_offset, clock.last_time, clock.seconds_per_byte};
    const double seconds = static_cast<double>(pcr_difference(pcr, clock.last_pcr)) / pcr_hz;
    const double bytes = static_cast<double>(offset - clock.last_offset);
    if (!discontinuity && seconds > 0 && seconds <= longest_segment && bytes > 0) {
        clock.seconds_per_byte = ended.seconds_per_byte = seconds / bytes;
        clock.last_time += seconds;
    } else if (clock_known(clock)) {
        clock.last_time += bytes * clock.seconds_per_byte;  // across the gap at the rate before it
    } else {
        clock.last_time = 0;  // no rate yet: the first pair starts here
    }
    clock.last_offset = offset;
    clock.last_pcr = pcr;
    return ended;
}

}  // namespace ostrel
