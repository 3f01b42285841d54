// The stream cut into intervals of stream time (--timeline, --html:): per
// interval its packets, those of each PID, its PCRs and their largest
// interval and accuracy deviation, the findings by priority and, for a
// capture, the delay factor and the packets lost. A packet's time is only
// known once its stretch ends, so the packets of the stretch under way wait
// here (offset and PID), with their PCRs; when the stretch ends they go into
// their intervals by their times, and each interval that has ended goes to
// the sink. One interval is held at a time.
#pragma once

#include <cstdint>

#include "pass/clock.hpp"
#include "pass/checks/findings.hpp"
#include "pass/network/hull.hpp"

namespace ostrel {

struct Analysis;

inline constexpr double default_interval_s = 1.0;
inline constexpr double least_interval_s = 0.01;

// One interval. `timed` false: the packets that came before any time was
// known and could not wait for it (more than the waiting room holds).
struct IntervalRow {
    bool timed;
    std::uint64_t index;  // its start is index * length
    double start_s, duration_s;
    std::uint64_t packets;
    unsigned packet_size;
    // The PIDs seen so far in PID order (a column each), and the packets of each in this interval.
    unsigned pid_count;
    const unsigned short* pids;
    const std::uint32_t* pid_packets;  // indexed by PID
    bool pids_changed;                 // a PID joined since the last row
    std::uint64_t pcrs;
    double pcr_interval_max_s;   // -1: no PCR interval ended here
    double pcr_accuracy_max_s;   // the largest deviation measured, -1 none
    std::uint64_t findings[3];   // by priority
    bool network;                // a capture: the next two are its
    double df_ms;                // -1: unknown (no rate, no datagram)
    std::uint64_t lost;          // TS packets lost, by the continuity counters
};

// Told of each interval as it ends.
struct RowListener {
    virtual void row(const IntervalRow& row) = 0;

protected:
    ~RowListener() = default;
};

// Packets of one PID, one after the other from `offset` (`count` of them,
// a stored packet apart).
struct PendingPacket {
    std::uint64_t offset;
    unsigned pid;
    unsigned count;
};

struct PendingPcr {
    std::uint64_t offset;
    double interval_s;  // since the PID's last PCR, -1 not measured
    double accuracy_s;  // its deviation, -1 not measured
};

inline constexpr unsigned pending_capacity = 65536;
inline constexpr unsigned pending_pcr_capacity = 4096;
inline constexpr unsigned ahead_capacity = 1024;  // intervals ahead whose findings came early

struct Intervals {
    double length;
    RowListener* rows;
    unsigned pending, pending_pcrs;
    PendingPacket packets[pending_capacity];
    PendingPcr pcrs[pending_pcr_capacity];
    // The interval under way.
    bool started;   // a timed interval is under way
    std::uint64_t index;
    std::uint64_t packet_count, pcr_count, lost;
    double pcr_interval_max, pcr_accuracy_max;
    std::uint64_t findings[3];
    std::uint64_t arrived_bytes;  // a capture: TS bytes so far, against arrival time
    Hull buffer;
    double last_time, end_time;  // of the latest packet, and just after it
    std::uint32_t pid_packets[8192];
    bool pid_seen[8192];
    unsigned pid_count;
    unsigned short pids[8192];
    bool pids_changed;
    // Findings and losses of intervals not begun, by index modulo the capacity.
    std::uint64_t ahead_findings[ahead_capacity][3];
    std::uint64_t ahead_lost[ahead_capacity];
};

// Zeroed intervals of `length` seconds, allocated once; null when out of memory.
Intervals* new_intervals(double length, RowListener& rows);
void delete_intervals(Intervals* intervals);

// The waiting room is full: what waits is decided now.
void intervals_make_room(Analysis& a, Intervals& t);

// A packet the analysis has taken (the pass's hook).
inline void intervals_packet(Analysis& a, Intervals& t, std::uint64_t offset, unsigned pid)
{
    if (t.pending == pending_capacity)
        intervals_make_room(a, t);
    t.packets[t.pending++] = PendingPacket{offset, pid, 1};
}
// Packets of `pid` from `offset` on, `size` bytes apart (a run the analysis
// took at once): with the packets before them when those are of the same PID.
inline void intervals_run(Analysis& a, Intervals& t, std::uint64_t offset, unsigned pid, unsigned count,
                          unsigned size)
{
    if (t.pending > 0) {
        PendingPacket& last = t.packets[t.pending - 1];
        if (last.pid == pid && last.offset + std::uint64_t{last.count} * size == offset) {
            last.count += count;
            return;
        }
    }
    if (t.pending == pending_capacity)
        intervals_make_room(a, t);
    t.packets[t.pending++] = PendingPacket{offset, pid, count};
}
// A PCR of a checked PID at `offset`: the interval since its last and its deviation, -1 where not measured.
void intervals_pcr(Analysis& a, Intervals& t, std::uint64_t offset, double interval_s, double accuracy_s);
// A finding as the analysis hands it on, with its time.
void intervals_finding(Intervals& t, const Finding& finding);
// The stretch ended: the packets waiting take their times.
void intervals_stretch(const Analysis& a, Intervals& t, const Stretch& ended);
// The pass ended: the last interval out.
void intervals_end(const Analysis& a, Intervals& t);

}  // namespace ostrel
