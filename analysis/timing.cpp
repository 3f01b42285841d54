#include "analysis/packet_checks.hpp"
#include "packets/pes_start.hpp"

namespace ostrel {
namespace {

// The PCR limits in 27 MHz ticks, compared exactly.
constexpr std::uint64_t pcr_repetition_ticks = 1'080'000;  // 40 ms
constexpr std::uint64_t pcr_difference_ticks = 2'700'000;  // 100 ms
constexpr std::int64_t pcr_accuracy_half_ticks = 27;       // 500 ns = 13.5 ticks, doubled
constexpr double pts_repetition_limit = 0.700;             // s
constexpr double pid_absence_limit = 5.0;                  // s
constexpr std::uint32_t arrival_wrap = 1u << 30;           // arrival_time_stamp, 27 MHz

double seconds_of(std::uint64_t ticks) { return static_cast<double>(ticks) / pcr_hz; }

// Two consecutive PCRs of a PID without discontinuity_indicator between them.
void check_pcr_pair(Analysis& a, PidState& s, unsigned pid, const Packet& packet, std::uint64_t pcr,
                    std::uint32_t arrival)
{
    const std::uint64_t ticks = pcr_difference(pcr, s.last_pcr);
    const bool forward = ticks < pcr_wrap / 2;  // else the PCR went back
    const double seconds = forward ? seconds_of(ticks) : -seconds_of(pcr_wrap - ticks);
    if (forward)
        s.pcr_ticks += ticks;
    if (!forward || ticks > pcr_difference_ticks)
        report_finding(a, packet, pid, FindingKind::pcr_jump, seconds, seconds_of(pcr_difference_ticks));
    if (forward && ticks > pcr_repetition_ticks)
        report_finding(a, packet, pid, FindingKind::pcr_interval, seconds, seconds_of(pcr_repetition_ticks));
    if (packet.size == 192 && forward) {
        const std::uint32_t arrived = (arrival - s.last_pcr_arrival) % arrival_wrap;
        const std::int64_t off = static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(arrived);
        if (2 * off > pcr_accuracy_half_ticks || -2 * off > pcr_accuracy_half_ticks)
            report_finding(a, packet, pid, FindingKind::pcr_accuracy, static_cast<double>(off) / pcr_hz,
                           500e-9);
    }
}

}  // namespace

void take_pcr(Analysis& a, PidState& s, unsigned pid, const Packet& packet, bool discontinuity)
{
    const std::uint64_t pcr = clock_reference_ticks(packet.ts + 6);
    const std::uint32_t arrival = packet.size == 192 ? arrival_time_stamp(packet.extra) : 0;
    if (s.pcrs++ == 0) {
        s.first_pcr_packet = packet.number;
    } else {
        a.pcr_pairs = true;
        if (!discontinuity)
            check_pcr_pair(a, s, pid, packet, pcr, arrival);
    }
    s.last_pcr = pcr;
    s.last_pcr_packet = packet.number;
    s.last_pcr_arrival = arrival;
    // The first PID with PCRs gives the time of the whole file.
    if (a.clock.pid == 0xFFFF)
        a.clock.pid = pid;
    if (pid == a.clock.pid) {
        clock_take_pcr(a.clock, packet.offset, pcr, discontinuity);
        if (clock_known(a.clock))
            a.absence_bytes = static_cast<std::uint64_t>(pid_absence_limit * a.clock.rate);
    }
}

void start_absence(Analysis& a, PidState& s, std::uint64_t offset)
{
    s.last_offset = offset;
    s.seen_stretch = a.clock.pcrs;
    s.seen = note_event(a.clock, offset);
    s.seen_seconds_per_byte = a.clock.seconds_per_byte;
}

void check_absence(Analysis& a, PidState& s, const Packet& packet, unsigned pid)
{
    if (clock_known(a.clock)) {
        // The last packet's time by the clock's formula of its own stretch.
        const double last =
            s.seen.timed ? s.seen.time + static_cast<double>(s.last_offset - s.seen.offset) * s.seen_seconds_per_byte
                         : event_time(a.clock, EventTime{s.last_offset, 0, false});
        const double absent = clock_time(a.clock, packet.offset) - last;
        if (absent > pid_absence_limit)
            report_finding(a, packet, pid, FindingKind::pid_interval, absent, pid_absence_limit);
    }
    start_absence(a, s, packet.offset);
}

void check_pts(Analysis& a, PidState& s, const Packet& packet, unsigned pid, std::size_t payload_at)
{
    // A PES packet with a PTS starts here: 00 00 01, stream_id, length, two flag bytes.
    const unsigned char* const q = packet.ts + payload_at;
    if (payload_at + 14 > packet_size || q[0] != 0 || q[1] != 0 || q[2] != 1 || !pes_has_optional_header(q[3]) ||
        !(q[7] & 0x80))
        return;
    const EventTime now = note_event(a.clock, packet.offset);
    if (s.pts_seen && now.timed) {
        const double interval = now.time - event_time(a.clock, s.last_pts);
        if (interval > pts_repetition_limit)
            report_finding(a, packet, pid, FindingKind::pts_interval, interval, pts_repetition_limit);
    }
    s.pts_seen = true;
    s.last_pts = now;
}

}  // namespace ostrel
