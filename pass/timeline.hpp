// Findings in stream order, with the time-based ones decided exactly: a
// packet's time is only known once the PCR after it has come, so findings wait
// in a queue until the reference PID's next PCR ends their stretch (or the
// file ends); then the pending interval checks are worked out, the events of
// the stretch get their times, and the queue goes out in order.
#pragma once

#include <cstdint>

#include "pass/clock.hpp"
#include "pass/checks/findings.hpp"

namespace ostrel {

struct Analysis;

// Time by arrival, for a network source: each packet has its datagram's
// arrival time, looked up in the source's arrival log when its stretch
// ends. A stretch ends after 0.1 s of arrival time or 1,024 datagrams, so
// that its records are still in the log and no stream's absence of more
// than 5 s can hide inside one.
// Where a datagram's first packet starts and when the datagram arrived.
struct ArrivalMark {
    std::uint64_t offset;
    std::int64_t time_ns;
};

// A stretch of arrival time ends after 0.1 s or this many datagrams of new times.
inline constexpr unsigned max_stretch_arrivals = 1024;

struct ArrivalTiming {
    bool on;
    bool started;
    std::int64_t first_ns;  // the first packet's arrival: time 0
    std::int64_t now_ns;    // that of the current packet's datagram
    double now;             // in seconds since the first (never going back)
    std::uint64_t stretch_start;   // offset of the stretch's first packet
    double stretch_time;           // its arrival
    // The stretch's datagrams of a new time, in order, the first the stretch's
    // own: what times the events of the stretch when it ends.
    unsigned marks;
    ArrivalMark mark[max_stretch_arrivals];
};

// A packet at `offset` of a datagram that arrived at `time_ns`: the first
// packet, or the first of a datagram with another time.
void note_arrival(Analysis& a, std::int64_t time_ns, std::uint64_t offset);

// When something was last seen: its time once its stretch has ended, before
// that its offset (`listed`: waiting in the list of the current stretch).
struct EventTime {
    std::uint64_t offset;
    double time;
    bool timed;
    bool listed;
};

struct QueuedFinding {
    Finding finding;
    EventTime then;  // a pending check: `finding.seen` is the time since `then`, worked out later
    bool pending;
};

inline constexpr unsigned queue_capacity = 4096;
inline constexpr double pid_absence_limit = 5.0;  // s, PID_error

// Notes that the event happens at `offset` (now).
void note_event(Analysis& a, EventTime& event, std::uint64_t offset);
// The first packet of a stream in this stretch (or the PMT naming it).
void note_stream_seen(Analysis& a, struct PidState& s, unsigned pid, std::uint64_t offset);

// A finding: counted and handed on in stream order.
void queue_finding(Analysis& a, const Finding& finding);
// A finding if the time from `then` to the finding's packet exceeds
// `finding.expected`, its limit.
void queue_check(Analysis& a, const Finding& finding, const EventTime& then);

// A byte position's time as the clock knows it now (the PCRs before it, at
// the mean rate since the last): seconds from the first packet; false until
// a PCR interval has counted.
bool time_known_now(const Analysis& a, std::uint64_t offset, double& seconds);

// The time of a byte position in the stretch `s`: its datagram's arrival, or the clock's.
double stretch_time_at(const Analysis& a, const Stretch& s, std::uint64_t offset);
// Decides everything waiting by the stretch under way (at the rate so far).
void decide_open_stretch(Analysis& a);

// A PCR of the reference PID ended the stretch `ended`.
void end_stretch(Analysis& a, const Stretch& ended);
// The file ended: the last stretch at the last rate, then everything out.
void end_timeline(Analysis& a);

}  // namespace ostrel
