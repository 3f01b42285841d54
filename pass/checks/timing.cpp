#include "pass/checks/packet_checks.hpp"

#include <cmath>
#include "pass/intervals.hpp"
#include "ts/pes.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

// The PCR limits in 27 MHz ticks, compared exactly.
constexpr std::uint64_t pcr_repetition_ticks = 1'080'000;  // 40 ms
constexpr std::uint64_t pcr_difference_ticks = 2'700'000;  // 100 ms
constexpr std::int64_t pcr_accuracy_half_ticks = 27;       // 500 ns = 13.5 ticks, doubled
constexpr double pts_repetition_limit = 0.700;             // s
constexpr std::uint32_t arrival_wrap = 1u << 30;           // arrival_time_stamp, 27 MHz
constexpr double pcr_accuracy_limit = 500e-9;              // s

constexpr std::uint64_t pcr_segment_ticks = 270'000'000;  // 10 s: a longer step starts the line anew

double seconds_of(std::uint64_t ticks) { return static_cast<double>(ticks) / pcr_hz; }

// What a PCR measured, for the intervals: -1 where not measured.
struct PcrMeasure {
    double interval_s = -1, accuracy_s = -1;
};

// Two consecutive PCRs of a PID without discontinuity_indicator between them.
void check_pcr_pair(Analysis& a, PcrState& s, unsigned pid, const Packet& packet, std::uint64_t pcr,
                    std::uint32_t arrival, PcrMeasure& measure)
{
    const std::uint64_t ticks = pcr_difference(pcr, s.last_pcr);
    const bool forward = ticks < pcr_wrap / 2;  // else the PCR went back
    const double seconds = forward ? seconds_of(ticks) : -seconds_of(pcr_wrap - ticks);
    if (forward) {
        s.pcr_ticks += ticks;
        measure.interval_s = seconds;
    }
    if (!forward || ticks > pcr_difference_ticks)
        report_finding(a, packet, pid, FindingKind::pcr_jump, seconds, seconds_of(pcr_difference_ticks));
    if (forward && ticks > pcr_repetition_ticks)
        report_finding(a, packet, pid, FindingKind::pcr_interval, seconds, seconds_of(pcr_repetition_ticks));
    if (packet.size == 192 && forward) {
        const std::uint32_t arrived = (arrival - s.last_pcr_arrival) % arrival_wrap;
        const std::int64_t off = static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(arrived);
        measure.accuracy_s = static_cast<double>(off < 0 ? -off : off) / pcr_hz;
        if (2 * off > pcr_accuracy_half_ticks || -2 * off > pcr_accuracy_half_ticks)
            report_finding(a, packet, pid, FindingKind::pcr_accuracy, static_cast<double>(off) / pcr_hz,
                           500e-9);
    }
}

// Against a constant rate: the PCR foretold from its bytes by the PCRs
// before it (packets without arrival time stamps), and against its arrival.
void track_pcr(Analysis& a, unsigned pid, const Packet& packet, std::uint64_t ticks, bool continuous, bool checked,
               PcrMeasure& measure)
{
    PcrTrack* const t = pcr_track(a.pcr_tracks, pid);
    if (t == nullptr)
        return;
    // Packets lost since the last PCR take their bytes out of the count: the
    // line starts again after them, and the PCRs after it are measured again.
    const bool whole = t->losses_seen == a.losses;
    t->losses_seen = a.losses;
    ++t->pcrs;
    const std::optional<double> off = pcr_off_rate(*t, packet.offset, ticks, continuous && whole);
    if (checked && packet.size != 192 && off) {
        measure.accuracy_s = std::fabs(*off);
        if (measure.accuracy_s > pcr_accuracy_limit)
            report_finding(a, packet, pid, FindingKind::pcr_accuracy, *off, pcr_accuracy_limit, 1);
    }
    if (a.arrival.on)
        take_pcr_arrival(*t, a.arrival.now, t->ticks / pcr_hz, continuous);
}

}  // namespace

void take_pcr(Analysis& a, const PidState& stream, unsigned pid, const Packet& packet, bool discontinuity)
{
    PcrState& s = a.pcr_states[pid];
    if (s.restart_epoch != a.restart_epoch) {
        s.restart_epoch = a.restart_epoch;
        discontinuity = true;
    }
    const std::uint64_t pcr = clock_reference_ticks(packet.ts + 6);
    const std::uint32_t arrival = packet.size == 192 ? arrival_time_stamp(packet.extra) : 0;
    // The PCR indicators look at the PCR_PIDs the map tables name, or at
    // every PID with PCRs while no map table is known.
    const bool checked = !a.pmt_known || (stream.role & role_pcr) != 0;
    const bool first = s.pcrs++ == 0;
    PcrMeasure measure;
    if (first) {
        s.first_pcr_packet = packet.number;
    } else if (checked) {
        a.pcr_pairs = true;
        if (!discontinuity)
            check_pcr_pair(a, s, pid, packet, pcr, arrival, measure);
    }
    if (measure.interval_s > s.max_interval_s)
        s.max_interval_s = measure.interval_s;
    const std::uint64_t ticks = first ? 0 : pcr_difference(pcr, s.last_pcr);
    track_pcr(a, pid, packet, ticks, !first && !discontinuity && ticks > 0 && ticks <= pcr_segment_ticks, checked,
              measure);
    if (a.intervals != nullptr)
        intervals_pcr(a, *a.intervals, packet.offset, measure.interval_s, measure.accuracy_s);
    s.last_pcr = pcr;
    s.last_pcr_packet = packet.number;
    s.last_pcr_arrival = arrival;
    // The first PID with PCRs gives the time of the whole file.
    if (a.clock.pid == no_pid)
        a.clock.pid = pid;
    if (pid == a.clock.pid) {
        const Stretch ended = clock_take_pcr(a.clock, packet.offset, pcr, discontinuity);
        if (!a.arrival.on)  // else each arrival ends a stretch
            end_stretch(a, ended);
    }
}

void start_absence(Analysis& a, PidState& s, unsigned pid, std::uint64_t offset)
{
    if (!s.seen.listed)
        note_stream_seen(a, s, pid, offset);
}

void check_absence(Analysis& a, PidState& s, const Packet& packet, unsigned pid)
{
    // The stream's last packet came in an earlier stretch; the time since is
    // known when this stretch ends.
    queue_check(a, Finding{packet.number, packet.offset, pid, FindingKind::pid_interval, 0, pid_absence_limit, 0},
                s.seen);
    note_stream_seen(a, s, pid, packet.offset);
}

void check_pts(Analysis& a, const PidState& stream, const Packet& packet, unsigned pid, std::size_t payload_at)
{
    std::uint64_t pts;  // a PES packet with a PTS starts here
    if ((stream.role & role_no_pts) || !pes_pts(packet.ts + payload_at, packet_size - payload_at, pts))
        return;
    PtsState& s = a.pts_states[pid];
    if (s.restart_epoch != a.restart_epoch) {
        s.restart_epoch = a.restart_epoch;
        s.pts_seen = false;
    }
    if (s.pts_seen)
        queue_check(a,
                    Finding{packet.number, packet.offset, pid, FindingKind::pts_interval, 0, pts_repetition_limit, 0},
                    s.last_pts);
    s.pts_seen = true;
    note_event(a, s.last_pts, packet.offset);
}

}  // namespace ostrel
