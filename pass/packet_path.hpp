// The path every packet takes: the plain packet (no error, not scrambled,
// payload only, the next counter, nothing gathered or probed on its PID)
// counted in a few instructions, runs of them taken at once, every other
// packet on to analyze_packet_fully. Inline, for the packet loop.
#pragma once

#include "pass/analysis.hpp"

namespace ostrel {

// A packet of a stream: the longest gap of the stretch, or the first packet in it.
inline void stream_seen(Analysis& a, PidState& s, const Packet& packet, unsigned pid)
{
    if (!s.seen.listed) {
        check_absence(a, s, packet, pid);
        return;
    }
    const std::uint64_t gap = packet.offset - s.seen.offset;
    if (gap > s.gap_bytes) {
        s.gap_bytes = gap;
        s.gap_packet = packet.number;
        s.gap_offset = packet.offset;
    }
    s.seen.offset = packet.offset;
}

inline void keep_payload_packet(Analysis& a, PidState& s, const unsigned char* p, unsigned pid)
{
    s.last_payload = p;
    if (!s.in_window) {
        s.in_window = true;
        a.in_window[a.in_window_count++] = static_cast<unsigned short>(pid);
    }
}

// `n` plain packets of a PID, the last at `last`, `starts` of them unit starts
// (a PID that is no stream): its counts, its counter and its next plain byte 3.
inline void take_plain_packets(Analysis& a, PidState& s, unsigned pid, const unsigned char* last, std::size_t n,
                               unsigned starts)
{
    s.packets += n;
    s.unit_starts += starts;
    s.cc = static_cast<unsigned char>(last[3] & 0x0F);
    s.next_plain_byte3 = plain_byte3_after(last[3] & 0x0Fu);
    s.times_seen = 1;
    keep_payload_packet(a, s, last, pid);
}

inline void analyze_packet(Analysis& a, const Packet& packet)
{
    const unsigned char* const p = packet.ts;
    const unsigned pid = packet_pid(p);
    PidState& s = a.pids[pid];
    const unsigned b1 = p[1];
    const unsigned b3 = p[3];
    if (pid == pid_null) {
        if ((b1 & 0x80) == 0 && (b3 & 0xC0) == 0) {
            if (s.packets++ == 0)  // null packets are counted, no more
                note_used_pid(a, pid);
        } else {
            analyze_packet_fully(a, packet);
        }
        return;
    }
    // The plain packet: no error, not scrambled, payload only, the counter
    // follows, no sections gathered, no PES start of a stream; one test for all.
    const unsigned differs = (b3 ^ s.next_plain_byte3) | (b1 & (0x80u | s.start_mask)) | (s.cc_epoch ^ a.cc_epoch);
    if (differs != 0) {
        analyze_packet_fully(a, packet);
        return;
    }
    take_plain_packets(a, s, pid, p, 1, (b1 >> 6) & 1);
    if (s.role & role_stream)
        stream_seen(a, s, packet, pid);
}

// The packets that follow one just analyzed, as long as they are plain
// packets of one PID: what analyze_packet does for each of them, done once
// for the run, their headers compared four bytes at a time. Looks at up to
// `count` packets `size` bytes apart from `ts`, the first numbered `number`
// at `offset`; yields how many it took (0: the first is not plain).
std::size_t analyze_plain_run(Analysis& a, const unsigned char* ts, std::size_t count, unsigned size,
                              std::uint64_t number, std::uint64_t offset);

}  // namespace ostrel
