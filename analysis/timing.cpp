#include "analysis/packet_checks.hpp"

namespace ostrel {
namespace {

constexpr double pcr_repetition_limit = 0.040;        // s
constexpr double pcr_difference_limit = 0.100;        // s
constexpr double pcr_accuracy_limit = 500e-9;         // s
constexpr double pts_repetition_limit = 0.700;        // s
constexpr double pid_absence_limit = 5.0;             // s
constexpr std::uint32_t arrival_wrap = 1u << 30;      // arrival_time_stamp, 27 MHz

std::uint64_t read_pcr(const unsigned char* p)
{
    const std::uint64_t base = static_cast<std::uint64_t>(p[6]) << 25 | static_cast<std::uint64_t>(p[7]) << 17 |
                               static_cast<std::uint64_t>(p[8]) << 9 | static_cast<std::uint64_t>(p[9]) << 1 |
                               p[10] >> 7;
    const unsigned extension = (p[10] & 1u) << 8 | p[11];
    return base * 300 + extension;
}

// The stream_ids whose PES packets have no optional header (ISO/IEC 13818-1 2.4.3.7).
bool has_optional_header(unsigned stream_id)
{
    switch (stream_id) {
    case 0xBC: case 0xBE: case 0xBF: case 0xF0: case 0xF1: case 0xF2: case 0xF8: case 0xFF:
        return false;
    default:
        return true;
    }
}

}  // namespace

void take_pcr(Analysis& a, PidState& s, unsigned pid, const Packet& packet, bool discontinuity)
{
    const std::uint64_t pcr = read_pcr(packet.ts);
    const std::uint32_t arrival = packet.size == 192 ? arrival_time_stamp(packet.extra) : 0;
    if (s.pcrs++ == 0) {
        s.first_pcr_packet = packet.number;
    } else if (!discontinuity) {
        const std::uint64_t ticks = pcr_difference(pcr, s.last_pcr);
        const double seconds = static_cast<double>(ticks) / pcr_hz;
        const bool forward = ticks < pcr_wrap / 2;
        if (forward)
            s.pcr_ticks += ticks;
        if (!forward || seconds > pcr_difference_limit)
            report_finding(a, packet, pid, FindingKind::pcr_jump, forward ? seconds : seconds - pcr_wrap / pcr_hz,
                           pcr_difference_limit);
        if (forward && seconds > pcr_repetition_limit)
            report_finding(a, packet, pid, FindingKind::pcr_interval, seconds, pcr_repetition_limit);
        if (packet.size == 192 && forward) {
            const std::uint32_t arrived = (arrival - s.last_pcr_arrival) % arrival_wrap;
            const double off = (static_cast<double>(ticks) - static_cast<double>(arrived)) / pcr_hz;
            if (off > pcr_accuracy_limit || -off > pcr_accuracy_limit)
                report_finding(a, packet, pid, FindingKind::pcr_accuracy, off, pcr_accuracy_limit);
        }
    }
    s.last_pcr = pcr;
    s.last_pcr_packet = packet.number;
    s.last_pcr_arrival = arrival;
    // The first PID with PCRs gives the time of the whole file.
    if (a.clock.pid == 0xFFFF)
        a.clock.pid = pid;
    if (pid == a.clock.pid)
        clock_take_pcr(a.clock, packet.offset, pcr, discontinuity);
}

void check_stream_packet(Analysis& a, PidState& s, const Packet& packet, unsigned pid, std::size_t payload_at)
{
    const bool timed = clock_known(a.clock);
    const double now = timed ? clock_time(a.clock, packet.offset) : 0;
    if (timed) {
        const double absent = now - event_time(a.clock, s.last_seen);
        if (absent > pid_absence_limit)
            report_finding(a, packet, pid, FindingKind::pid_interval, absent, pid_absence_limit);
    }
    s.last_seen = note_event(a.clock, packet.offset);

    // A PES packet with a PTS starts here: 00 00 01, stream_id, length, two flag bytes.
    const unsigned char* const q = packet.ts + payload_at;
    if (payload_at + 14 > packet_size || q[0] != 0 || q[1] != 0 || q[2] != 1 || !has_optional_header(q[3]) ||
        !(q[7] & 0x80))
        return;
    if (s.pts_seen && timed) {
        const double interval = now - event_time(a.clock, s.last_pts);
        if (interval > pts_repetition_limit)
            report_finding(a, packet, pid, FindingKind::pts_interval, interval, pts_repetition_limit);
    }
    s.pts_seen = true;
    s.last_pts = s.last_seen;
}

}  // namespace ostrel
