#include "pass/intervals.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "pass/analysis.hpp"
#include "pass/interval_rows.hpp"

namespace ostrel {
namespace {

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
            count_in_column(t, run.pid, below);
            counted += below;
            run.offset += std::uint64_t{below} * size;
            run.count -= below;
            break;
        }
        count_in_column(t, run.pid, run.count);
        counted += run.count;
    }
    t.packet_count += counted;
    return i;
}

// What waits without a time into the interval under way, untimed.
void take_untimed(const Analysis& a, Intervals& t)
{
    for (unsigned i = 0; i < t.pending; ++i) {
        for (unsigned k = 0; k < t.packets[i].count; ++k)
            interval_add_packet(a, t, t.packets[i].pid, t.last_time);
    }
    for (unsigned i = 0; i < t.pending_pcrs; ++i)
        interval_add_pcr(t, t.pcrs[i]);
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
    double next = next_interval_boundary(t);
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
            move_to_interval(a, t, time);
            next = next_interval_boundary(t);
            boundary = byte_at(next);
        }
        last = time;
        if (pcr) {
            interval_add_pcr(t, t.pcrs[q++]);
        } else {
            PendingPacket& run = t.packets[p];
            interval_add_packet(a, t, run.pid, time);
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
        emit_interval(a, t, true);
}

}  // namespace ostrel
