#include "pass/timeline.hpp"

#include "pass/analysis.hpp"
#include "pass/intervals.hpp"

namespace ostrel {
namespace {

constexpr double max_arrival_stretch_s = 0.1;

void emit(Analysis& a, const Finding& f)
{
    ++a.counts[static_cast<unsigned>(indicator_of(f.kind))];
    if (a.listener != nullptr)
        a.listener->finding(f);
}

// The arrival of the datagram that holds `offset`, one of the stretch's.
double arrival_time_at(const Analysis& a, std::uint64_t offset)
{
    const ArrivalTiming& t = a.arrival;
    unsigned low = 0, high = t.marks;  // the answer is in [low, high)
    while (high - low > 1) {
        const unsigned mid = low + (high - low) / 2;
        if (t.mark[mid].offset <= offset)
            low = mid;
        else
            high = mid;
    }
    return static_cast<double>(t.mark[low].time_ns - t.first_ns) / 1e9;
}


double time_of(const Analysis& a, const EventTime& e, const Stretch& s)
{
    return e.timed ? e.time : stretch_time_at(a, s, e.offset);
}

void give_time(const Analysis& a, EventTime& e, const Stretch& s)
{
    e.time = stretch_time_at(a, s, e.offset);
    e.timed = true;
    e.listed = false;
}

// Everything out; pending checks decided by `s`, or dropped when it has no rate.
void flush(Analysis& a, const Stretch& s)
{
    for (unsigned i = 0; i < a.queued; ++i) {
        QueuedFinding& q = a.queue[i];
        if (q.pending) {
            if (!stretch_timed(s))
                continue;  // no time: not checked
            q.finding.seen = stretch_time_at(a, s, q.finding.offset) - time_of(a, q.then, s);
            if (q.finding.kind == FindingKind::table_interval) {
                a.demux->add_interval(q.finding.extra, q.finding.seen);
                continue;
            }
            const bool found = finding_is_minimum(q.finding.kind) ? q.finding.seen < q.finding.expected
                                                                  : q.finding.seen > q.finding.expected;
            if (!found)
                continue;
        }
        if (a.origin_known)
            q.finding.time = stretch_time_at(a, s, q.finding.offset) - a.origin;
        emit(a, q.finding);
    }
    a.queued = 0;
}

// A gap inside the stretch, found when it ends: into the queue at its packet.
void insert_finding(Analysis& a, const Finding& f, const Stretch& s)
{
    if (a.queued == queue_capacity)
        flush(a, s);
    unsigned at = a.queued;
    while (at > 0 && a.queue[at - 1].finding.packet > f.packet)
        --at;
    for (unsigned i = a.queued; i > at; --i)
        a.queue[i] = a.queue[i - 1];
    a.queue[at] = QueuedFinding{f, EventTime{}, false};
    ++a.queued;
}

// The stretch under way: the current arrival, or the bytes since the last
// PCR at the mean rate so far (no rate while none is known).
Stretch open_stretch(const Analysis& a)
{
    if (a.arrival.on)
        return Stretch{a.arrival.stretch_start, a.arrival.stretch_time, 0, a.arrival.started};
    return clock_known(a.clock) ? clock_open_stretch(a.clock) : Stretch{0, 0, 0};
}

}  // namespace

void decide_open_stretch(Analysis& a)
{
    const Stretch s = open_stretch(a);
    if (stretch_timed(s))
        end_stretch(a, s);
    else
        flush(a, s);
}

namespace {

// A stretch with this many findings: decide them now, at the rate so far.
void make_room(Analysis& a)
{
    if (a.queued == queue_capacity)
        decide_open_stretch(a);
}

}  // namespace

double stretch_time_at(const Analysis& a, const Stretch& s, std::uint64_t offset)
{
    return s.arrived ? arrival_time_at(a, offset) : clock_time(a.clock, s, offset);
}

void note_event(Analysis& a, EventTime& event, std::uint64_t offset)
{
    event.offset = offset;
    event.timed = false;
    if (!event.listed) {
        event.listed = true;
        a.untimed[a.untimed_count++] = &event;
    }
}

void note_stream_seen(Analysis& a, PidState& s, unsigned pid, std::uint64_t offset)
{
    s.seen.offset = offset;
    s.seen.timed = false;
    s.seen.listed = true;
    s.gap_bytes = 0;
    a.stretch_pids[a.stretch_pid_count++] = static_cast<unsigned short>(pid);
}

void queue_finding(Analysis& a, const Finding& finding)
{
    make_room(a);
    a.queue[a.queued++] = QueuedFinding{finding, EventTime{}, false};
}

void queue_check(Analysis& a, const Finding& finding, const EventTime& then)
{
    make_room(a);
    a.queue[a.queued++] = QueuedFinding{finding, then, true};
}

void end_stretch(Analysis& a, const Stretch& ended)
{
    if (!stretch_timed(ended))
        return;  // no rate yet: all waits for the first pair of PCRs
    if (!a.origin_known) {
        // The first packet's time, by the first interval that counts: the origin of finding times.
        a.origin = stretch_time_at(a, ended, a.first_offset);
        a.origin_known = true;
    }
    // The streams seen in the stretch: their longest gap in it, their last packet's time.
    for (unsigned i = 0; i < a.stretch_pid_count; ++i) {
        const unsigned pid = a.stretch_pids[i];
        PidState& s = a.pids[pid];
        const double gap = static_cast<double>(s.gap_bytes) * ended.seconds_per_byte;
        if (gap > pid_absence_limit)
            insert_finding(a, Finding{s.gap_packet, s.gap_offset, pid, FindingKind::pid_interval, gap,
                                      pid_absence_limit, 0}, ended);
        s.gap_bytes = 0;
        give_time(a, s.seen, ended);
    }
    a.stretch_pid_count = 0;
    for (unsigned i = 0; i < a.untimed_count; ++i)
        give_time(a, *a.untimed[i], ended);
    a.untimed_count = 0;
    flush(a, ended);
    if (a.intervals != nullptr)
        intervals_stretch(a, *a.intervals, ended);
    if (a.listener != nullptr)
        a.listener->stretch(a, ended);
}

bool time_known_now(const Analysis& a, std::uint64_t offset, double& seconds)
{
    if (a.arrival.on) {
        seconds = a.arrival.now;
        return a.arrival.started;
    }
    if (!clock_known(a.clock) || !a.origin_known)
        return false;
    seconds = clock_time(a.clock, clock_open_stretch(a.clock), offset) - a.origin;
    return true;
}

void note_arrival(Analysis& a, std::int64_t time_ns, std::uint64_t offset)
{
    ArrivalTiming& t = a.arrival;
    if (!t.started)
        t.first_ns = time_ns;
    const double now = static_cast<double>(time_ns - t.first_ns) / 1e9;
    t.now = t.started && now < t.now ? t.now : now;
    t.now_ns = time_ns;
    if (t.started && t.now - t.stretch_time < max_arrival_stretch_s && t.marks < max_stretch_arrivals) {
        t.mark[t.marks++] = ArrivalMark{offset, time_ns};
        return;
    }
    if (t.started)
        end_stretch(a, Stretch{t.stretch_start, t.stretch_time, 0, true});
    t.started = true;
    t.stretch_start = offset;
    t.stretch_time = t.now;
    t.mark[0] = ArrivalMark{offset, time_ns};
    t.marks = 1;
}

void end_timeline(Analysis& a) { decide_open_stretch(a); }

}  // namespace ostrel
