// The interval under way and the rows it becomes: which interval a time
// falls in, the move from one to the next (a row for each that ends), and
// what a packet or a PCR adds to the one under way. The waiting room and the
// stretches that feed these are in pass/intervals.cpp.
#pragma once

#include <cstdint>

#include "pass/intervals.hpp"

namespace ostrel {

// The interval that holds `time`. A time within a billionth of an interval
// of a boundary is on it (the sums that give times are not exact): it
// starts the later interval.
std::uint64_t interval_of(double time, double length);

// The interval under way as a row to the listener (`last`: the stream's last,
// as long as the stream lasted), and the next one started empty.
void emit_interval(const Analysis& a, Intervals& t, bool last);

// The interval that holds `time` becomes the one under way.
void move_to_interval(const Analysis& a, Intervals& t, double time);

// The time from which a packet belongs to a later interval (as interval_of
// tells); before the first timed interval, any.
double next_interval_boundary(const Intervals& t);

// Packets of `pid` in its PID's column; the interval's own count is the caller's.
void count_in_column(Intervals& t, unsigned pid, unsigned count);

// A packet at `time`, or a PCR, into the interval under way.
void interval_add_packet(const Analysis& a, Intervals& t, unsigned pid, double time);
void interval_add_pcr(Intervals& t, const PendingPcr& p);

}  // namespace ostrel
