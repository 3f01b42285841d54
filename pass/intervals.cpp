#include "pass/intervals.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "pass/analysis.hpp"

namespace ostrel {
namespace {

// A silence longer than this many intervals gets no empty rows: the next row's start shows it.
constexpr std::uint64_t longest_empty_run = 10'000;

// The interval that holds `time`. A time within a billionth of an interval
// of a boundary is on it (the sums that give times are not exact): it
// starts the later interval.
std::uint64_t interval_of(double time, double length)
{
    const double at = time / length + 1e-9;
    constexpr double last = 1e15;  // a time past any capture's: held there
    return static_cast<std::uint64_t>(at > 0 ? std::floor(std::fmin(at, last)) : 0);
}

// The flow's rate so far, bytes a second: the PCRs', else its bytes over its arrival time.
double arrival_rate(const Analysis& a, const Intervals& t)
{
    const double per_byte = clock_mean_seconds_per_byte(a.clock);
    if (per_byte > 0)
        return 1 / per_byte;
    return t.last_time > 0 ? static_cast<double>(t.arrived_bytes) / t.last_time : 0;
}

void emit(const Analysis& a, Intervals& t, bool last)
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

// The interval that holds `time` becomes the one under way.
void move_to(const Analysis& a, Intervals& t, double time)
{
    const std::uint64_t bin = interval_of(time, t.length);
    if (!t.started) {
        if (t.packet_count > 0)
            emit(a, t, false);  // those that came before any time
        t.started = true;
        t.index = 0;
        take_early(t);
        skip_to(t, bin);  // early packets went untimed: the first timed interval starts later
        return;
    }
    if (bin <= t.index)
        return;  // the same interval, or a time that went back
    if (bin - t.index > longest_empty_run) {
        emit(a, t, false);
        skip_to(t, bin);
        return;
    }
    while (t.index < bin) {
        emit(a, t, false);
        next(t);
    }
}

// The time from which a packet belongs to a later interval (as interval_of
// tells); before the first timed interval, any.
double next_boundary(const Intervals& t)
{
    return t.started ? (static_cast<double>(t.index + 1) - 1e-9) * t.length : -HUGE_VAL;
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

// Packets of `pid` in its PID's column; the interval's own count is the caller's.
inline void count_pid(Intervals& t, unsigned pid, unsigned count)
{
    if (!t.pid_seen[pid])
        add_column(t, pid);
    t.pid_packets[pid] += count;
}

// The first whole byte at or after a position: offsets before it are before the position.
std::uint64_t first_byte_at_or_after(double position)
{
    if (!(position > 0))
        return 0;
    return position >= 1.8e19 ? UINT64_MAX : static_cast<std::uint64_t>(std::ceil(position));
}

// Counts the waiting packets from entry `p` on whose offsets are below
// `limit`; yields the entry of the first not counted, which keeps the packets
// of its run from that one on.
unsigned count_run(Intervals& t, unsigned p, std::uint64_t limit, unsigned size)
{
    PendingPacket* const packets = t.packets;
    const unsigned waiting = t.pending;  // held here: the counts written below could be it, by their type
    std::uint64_t counted = 0;
    unsigned i = p;
    for (; i < waiting && packets[i].offset < limit; ++i) {
        PendingPacket& run = packets[i];
        const auto below = static_cast<unsigned>(packets_before(limit, run.count, size, run.offset));
        if (below < run.count) {
            count_pid(t, run.pid, below);
            counted += below;
            run.offset += std::uint64_t{below} * size;
            run.count -= below;
            break;
        }
        count_pid(t, run.pid, run.count);
        counted += run.count;
    }
    t.packet_count += counted;
    return i;
}

void add_packet(const Analysis& a, Intervals& t, unsigned pid, double time)
{
    ++t.packet_count;
    count_pid(t, pid, 1);
    if (a.arrival.on) {
        const auto bytes = static_cast<double>(t.arrived_bytes);
        hull_add_step(t.buffer, time, bytes, bytes + a.packet_size);
        t.arrived_bytes += a.packet_size;
    }
}

void add_pcr(Intervals& t, const PendingPcr& p)
{
    ++t.pcr_count;
    t.pcr_interval_max = std::max(t.pcr_interval_max, p.interval_s);
    t.pcr_accuracy_max = std::max(t.pcr_accuracy_max, p.accuracy_s);
}

// What waits without a time into the interval under way, untimed.
void take_untimed(const Analysis& a, Intervals& t)
{
    for (unsigned i = 0; i < t.pending; ++i) {
        for (unsigned k = 0; k < t.packets[i].count; ++k)
            add_packet(a, t, t.packets[i].pid, t.last_time);
    }
    for (unsigned i = 0; i < t.pending_pcrs; ++i)
        add_pcr(t, t.pcrs[i]);
    t.pending = t.pending_pcrs = 0;
}

}  // namespace

// The waiting room is full: the stretch under way is decided at the rate so
// far, or, while no time is known, what waits goes untimed.
void intervals_make_room(Analysis& a, Intervals& t)
{
    decide_open_stretch(a);
    if (t.pending == pending_capacity || t.pending_pcrs == pending_pcr_capacity)
        take_untimed(a, t);
}

Intervals* new_intervals(double length, RowListener& rows)
{
    void* memory = std::calloc(1, sizeof(Intervals));
    if (memory == nullptr)
        return nullptr;
    Intervals* t = new (memory) Intervals;
    t->length = length;
    t->rows = &rows;
    t->pcr_interval_max = t->pcr_accuracy_max = -1;
    return t;
}

void delete_intervals(Intervals* intervals)
{
    if (intervals != nullptr) {
        intervals->~Intervals();
        std::free(intervals);
    }
}

void intervals_pcr(Analysis& a, Intervals& t, std::uint64_t offset, double interval_s, double accuracy_s)
{
    if (t.pending_pcrs == pending_pcr_capacity)
        intervals_make_room(a, t);
    t.pcrs[t.pending_pcrs++] = PendingPcr{offset, interval_s, accuracy_s};
}

void intervals_finding(Intervals& t, const Finding& f)
{
    const unsigned priority = indicator_priority(indicator_of(f.kind)) - 1;
    const std::uint64_t lost = f.kind == FindingKind::cc_gap ? counter_gap(f) : 0;
    const std::uint64_t bin = interval_of(f.time, t.length);
    const std::uint64_t now = t.started ? t.index : 0;
    if (f.time < 0 || (t.started && bin <= now)) {
        ++t.findings[priority];
        t.lost += lost;
        return;
    }
    const std::uint64_t slot = std::min(bin, now + ahead_capacity - 1) % ahead_capacity;
    ++t.ahead_findings[slot][priority];
    t.ahead_lost[slot] += lost;
}

void intervals_stretch(const Analysis& a, Intervals& t, const Stretch& ended)
{
    // Inside the clock's stretch the time is a line over the bytes: the
    // packets up to the byte where the next interval starts are only
    // counted, without a time each.
    const bool line = !ended.arrived && (t.pending == 0 || t.packets[0].offset >= a.clock.first_offset);
    const auto time_at = [&](std::uint64_t offset) {
        if (line)
            return stretch_time(ended, offset) - a.origin;
        return stretch_time_at(a, ended, offset) - a.origin;
    };
    const auto byte_at = [&](double time) {
        return line ? static_cast<double>(ended.start) + (time + a.origin - ended.start_time) / ended.seconds_per_byte
                    : -HUGE_VAL;
    };
    // The last packet waiting, before the runs are taken apart below.
    const bool waiting = t.pending > 0;
    const std::uint64_t last_offset =
        waiting ? t.packets[t.pending - 1].offset + std::uint64_t{t.packets[t.pending - 1].count - 1} * a.packet_size
                : 0;
    double next = next_boundary(t);
    double boundary = byte_at(next);
    unsigned p = 0, q = 0;
    double last = t.last_time;
    while (p < t.pending || q < t.pending_pcrs) {
        const std::uint64_t pcr_at = q < t.pending_pcrs ? t.pcrs[q].offset : UINT64_MAX;
        p = count_run(t, p, std::min(pcr_at, first_byte_at_or_after(boundary)), a.packet_size);
        const bool pcr = q < t.pending_pcrs && (p == t.pending || pcr_at <= t.packets[p].offset);
        if (!pcr && p == t.pending)
            break;
        const std::uint64_t offset = pcr ? pcr_at : t.packets[p].offset;
        const double time = std::max(last, time_at(offset));
        if (time >= next) {
            move_to(a, t, time);
            next = next_boundary(t);
            boundary = byte_at(next);
        }
        last = time;
        if (pcr) {
            add_pcr(t, t.pcrs[q++]);
        } else {
            PendingPacket& run = t.packets[p];
            add_packet(a, t, run.pid, time);
            run.offset += a.packet_size;  // the run's next packet, if any, waits
            if (--run.count == 0)
                ++p;
        }
    }
    if (waiting) {
        last = std::max(last, time_at(last_offset));
        t.end_time = std::max(last, time_at(last_offset + a.packet_size));
    }
    t.last_time = last;
    t.pending = t.pending_pcrs = 0;
}

void intervals_end(const Analysis& a, Intervals& t)
{
    take_untimed(a, t);
    if (t.started || t.packet_count > 0)
        emit(a, t, true);
}

}  // namespace ostrel
