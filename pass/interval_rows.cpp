#include "pass/interval_rows.hpp"

#include <algorithm>
#include <cmath>

#include "pass/analysis.hpp"

namespace ostrel {
namespace {

// A silence longer than this many intervals gets no empty rows: the next row's start shows it.
constexpr std::uint64_t longest_empty_run = 10'000;

// The flow's rate so far, bytes a second: the PCRs', else its bytes over its arrival time.
double arrival_rate(const Analysis& a, const Intervals& t)
{
    const double per_byte = clock_mean_seconds_per_byte(a.clock);
    if (per_byte > 0)
        return 1 / per_byte;
    return t.last_time > 0 ? static_cast<double>(t.arrived_bytes) / t.last_time : 0;
}

// What came early for the interval under way is its own.
void take_early(Intervals& t)
{
    const std::uint64_t slot = t.index % ahead_capacity;
    for (unsigned p = 0; p < 3; ++p)
        t.findings[p] += t.ahead_findings[slot][p];
    t.lost += t.ahead_lost[slot];
    std::fill(t.ahead_findings[slot], t.ahead_findings[slot] + 3, 0);
    t.ahead_lost[slot] = 0;
}

void next(Intervals& t)
{
    ++t.index;
    take_early(t);
}

// On to interval `bin` without rows for those between (empty, or never
// timed); what came early for any of them is the reached one's.
void skip_to(Intervals& t, std::uint64_t bin)
{
    if (bin - t.index <= ahead_capacity) {
        while (t.index < bin)
            next(t);
        return;
    }
    for (std::uint64_t slot = 0; slot < ahead_capacity; ++slot) {
        t.index = slot;
        take_early(t);
    }
    t.index = bin;
}

// A PID's first packet gives it a column, in PID order.
void add_column(Intervals& t, unsigned pid)
{
    t.pid_seen[pid] = true;
    const auto at = std::upper_bound(t.pids, t.pids + t.pid_count, pid);
    std::copy_backward(at, t.pids + t.pid_count, t.pids + t.pid_count + 1);
    *at = static_cast<unsigned short>(pid);
    ++t.pid_count;
    t.pids_changed = true;
}

}  // namespace

// The interval that holds `time`. A time within a billionth of an interval
// of a boundary is on it (the sums that give times are not exact): it
// starts the later interval.
std::uint64_t interval_of(double time, double length)
{
    const double at = time / length + 1e-9;
    constexpr double last = 1e15;  // a time past any capture's: held there
    return static_cast<std::uint64_t>(at > 0 ? std::floor(std::fmin(at, last)) : 0);
}

void emit_interval(const Analysis& a, Intervals& t, bool last)
{
    IntervalRow row{};
    row.timed = t.started;
    row.index = t.index;
    row.start_s = t.started ? static_cast<double>(t.index) * t.length : -1;
    row.duration_s = !t.started ? -1 : last ? std::max(0.0, t.end_time - row.start_s) : t.length;
    row.packets = t.packet_count;
    row.packet_size = a.packet_size;
    row.pid_count = t.pid_count;
    row.pids = t.pids;
    row.pid_packets = t.pid_packets;
    row.pids_changed = t.pids_changed;
    row.pcrs = t.pcr_count;
    row.pcr_interval_max_s = t.pcr_interval_max;
    row.pcr_accuracy_max_s = t.pcr_accuracy_max;
    std::copy(t.findings, t.findings + 3, row.findings);
    row.network = a.arrival.on;
    row.df_ms = -1;
    const double rate = a.arrival.on ? arrival_rate(a, t) : 0;
    if (rate > 0 && !t.buffer.upper.empty())
        row.df_ms = (hull_max(t.buffer, rate) - hull_min(t.buffer, rate)) / rate * 1000;
    row.lost = t.lost;
    t.rows->row(row);
    // The next interval starts empty.
    t.pids_changed = false;
    for (unsigned i = 0; i < t.pid_count; ++i)
        t.pid_packets[t.pids[i]] = 0;
    t.packet_count = t.pcr_count = t.lost = 0;
    t.pcr_interval_max = t.pcr_accuracy_max = -1;
    std::fill(t.findings, t.findings + 3, 0);
    t.buffer.upper.clear();
    t.buffer.lower.clear();
}

// The interval that holds `time` becomes the one under way.
void move_to_interval(const Analysis& a, Intervals& t, double time)
{
    const std::uint64_t bin = interval_of(time, t.length);
    if (!t.started) {
        if (t.packet_count > 0)
            emit_interval(a, t, false);  // those that came before any time
        t.started = true;
        t.index = 0;
        take_early(t);
        skip_to(t, bin);  // early packets went untimed: the first timed interval starts later
        return;
    }
    if (bin <= t.index)
        return;  // the same interval, or a time that went back
    if (bin - t.index > longest_empty_run) {
        emit_interval(a, t, false);
        skip_to(t, bin);
        return;
    }
    while (t.index < bin) {
        emit_interval(a, t, false);
        next(t);
    }
}

// The time from which a packet belongs to a later interval (as interval_of
// tells); before the first timed interval, any.
double next_interval_boundary(const Intervals& t)
{
    return t.started ? (static_cast<double>(t.index + 1) - 1e-9) * t.length : -HUGE_VAL;
}

// Packets of `pid` in its PID's column; the interval's own count is the caller's.
void count_in_column(Intervals& t, unsigned pid, unsigned count)
{
    if (!t.pid_seen[pid])
        add_column(t, pid);
    t.pid_packets[pid] += count;
}

void interval_add_packet(const Analysis& a, Intervals& t, unsigned pid, double time)
{
    ++t.packet_count;
    count_in_column(t, pid, 1);
    if (a.arrival.on) {
        const auto bytes = static_cast<double>(t.arrived_bytes);
        hull_add_step(t.buffer, time, bytes, bytes + a.packet_size);
        t.arrived_bytes += a.packet_size;
    }
}

void interval_add_pcr(Intervals& t, const PendingPcr& p)
{
    ++t.pcr_count;
    t.pcr_interval_max = std::max(t.pcr_interval_max, p.interval_s);
    t.pcr_accuracy_max = std::max(t.pcr_accuracy_max, p.accuracy_s);
}

}  // namespace ostrel
