// The one packet loop: the file is read front to back in large blocks and
// handed on one packet at a time, numbered from 1. Plain reading takes
// 188-byte packets from byte 0 and stops at the first without its sync byte;
// with resync it finds the packet size (188, 192 or 204) and the first packet
// by their sync bytes, and after a lost sync byte goes on at the next place
// where packets fit again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "sources/arrival_log.hpp"
#include "sources/file/byte_window.hpp"
#include "output/output.hpp"
#include "ts/packet_header.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

enum class ScanEnd {
    end_of_file,  // no complete packet left (a trailing piece is told as an event)
    stopped,      // the step asked to stop
    bad_sync,     // a packet whose byte 0 is not 0x47 (plain reading)
    read_error,   // the file could not be read
    no_packets,   // resync found no packet in a file of at least 188 bytes
};

struct PacketInput {
    std::FILE* file;
    unsigned char* block;     // the caller's read buffer
    std::size_t block_bytes;  // its size, at least max_lookahead
    std::size_t read_piece;   // the most bytes one read asks for (block_bytes normally)
    bool resync;
    std::uint64_t* bytes_read;  // when not null, set to the bytes read at the end
    ByteSource* source = nullptr;          // the bytes, when they come not from `file` as it is
    struct PassTap* tap = nullptr;         // what looks at the pass's figures as it goes (--metrics), or null
};

struct Packet {
    const unsigned char* ts;     // the 188 bytes of the transport packet
    const unsigned char* extra;  // 192: the 4-byte header before ts; 204: the 16 bytes after it
    unsigned size;               // 188, 192 or 204 bytes as stored
    std::uint64_t number;
    std::uint64_t offset;        // where the stored packet starts in the file
    const ArrivalRecord* arrival = nullptr;  // the datagram it came in (its time, its frame); null for a file
};

// When the input's bytes arrived: a network source's log, null for a file.
inline const ArrivalLog* input_arrivals(const PacketInput& in)
{
    return in.source != nullptr ? in.source->arrivals() : nullptr;
}

// Of `count` packets `size` bytes apart from `offset`, how many start before `limit`.
inline std::size_t packets_before(std::uint64_t limit, std::size_t count, unsigned size, std::uint64_t offset)
{
    if (limit <= offset)
        return 0;
    const std::uint64_t before = (limit - offset - 1) / size + 1;
    return before < count ? static_cast<std::size_t>(before) : count;
}

struct SyncEvent {
    // trailing: the input ends `skipped` bytes into a packet at `at` (told once, then the end)
    enum Kind { skipped_start, lost, lost_for_good, trailing } kind;
    std::uint64_t at;            // offset of the packet start without its sync byte (0 for skipped_start)
    std::uint64_t after_packet;  // number of the last packet found, 0 when none
    std::uint64_t skipped;       // bytes passed over (for lost_for_good: to the end of the file)
    unsigned size;               // the packet size
    unsigned byte;               // what stood where the sync byte should have been
};

// Calls step(const Packet&) for each packet until it returns false, and
// event(const SyncEvent&) where bytes are skipped (resync only) and where
// the input ends inside a packet. A step with
// run(ts, count, size, number, offset) is offered the whole packets after
// each one it took, and yields how many of them it took itself, in order
// (those it takes need no sync byte checked here). Of a network source, each
// packet carries the datagram it came in, and a run never reaches past the
// datagram of the packet before it, so that one arrival times it all.
template <bool timed, class Step, class Event>
ScanEnd scan_timed_packets(const PacketInput& in, Step&& step, Event&& event)
{
    const ArrivalLog* const arrivals = input_arrivals(in);
    ArrivalCursor cursor;
    ByteWindow w{in.file, in.block, in.block_bytes, in.read_piece};
    w.source = in.source;
    struct Tally {  // the bytes read, whichever way the scan ends
        const ByteWindow& w;
        std::uint64_t* total;
        ~Tally()
        {
            if (total != nullptr)
                *total = w.base + w.end;
        }
    } tally{w, in.bytes_read};
    PacketShape shape = plain_shape;
    if (in.resync) {
        if (!find_fit(w, shapes, std::size(shapes), shape)) {
            if (w.failed)
                return ScanEnd::read_error;
            return w.base + w.end >= packet_size ? ScanEnd::no_packets : ScanEnd::end_of_file;
        }
        if (w.begin > 0)
            event(SyncEvent{SyncEvent::skipped_start, 0, 0, window_offset(w), shape.size, 0});
    }
    const unsigned size = shape.size;
    const unsigned sync_at = shape.sync_at;
    const unsigned extra_at = size == 192 ? 0 : packet_size;  // the arrival header, or the parity bytes
    std::uint64_t number = 0;
    for (;;) {
        const unsigned char* p = w.data + w.begin;
        const unsigned char* const last = w.data + w.end;
        for (; static_cast<std::size_t>(last - p) >= size; p += size) {
            const unsigned char* const ts = p + sync_at;
            if (*ts != sync_byte_value)
                break;
            const std::uint64_t offset = w.base + static_cast<std::size_t>(p - w.data);
            const ArrivalRecord* arrival = nullptr;
            if constexpr (timed)
                arrival = arrival_at(*arrivals, cursor, offset);
            if (!step(Packet{ts, p + extra_at, size, ++number, offset, arrival}))
                return ScanEnd::stopped;
            if constexpr (requires { step.run(ts, std::size_t{}, size, number, offset); }) {
                std::size_t count = static_cast<std::size_t>(last - p) / size - 1;
                if constexpr (timed)
                    count = packets_before(next_arrival_offset(*arrivals, cursor), count, size, offset + size);
                const std::size_t taken = step.run(ts + size, count, size, number + 1, offset + size);
                p += taken * size;
                number += taken;
            }
        }
        w.begin = static_cast<std::size_t>(p - w.data);
        // A step may keep pointers to packets until the window moves.
        if constexpr (requires { step.window_moves(); })
            step.window_moves();
        if (window_available(w) >= size) {  // a whole packet without its sync byte
            if (!in.resync)
                return ScanEnd::bad_sync;
            const std::uint64_t at = window_offset(w);
            const unsigned found = w.data[w.begin + sync_at];
            ++w.begin;
            if (!find_fit(w, &shape, 1, shape)) {
                event(SyncEvent{SyncEvent::lost_for_good, at, number, w.base + w.end - at, size, found});
                return w.failed ? ScanEnd::read_error : ScanEnd::end_of_file;
            }
            event(SyncEvent{SyncEvent::lost, at, number, window_offset(w) - at, size, found});
            continue;
        }
        if (const std::size_t left = window_ensure(w, size); left < size) {
            if (left > 0 && !w.failed)
                event(SyncEvent{SyncEvent::trailing, window_offset(w), number, left, size, w.data[w.begin]});
            return w.failed ? ScanEnd::read_error : ScanEnd::end_of_file;
        }
    }
}

template <class Step, class Event>
ScanEnd scan_packets(const PacketInput& in, Step&& step, Event&& event)
{
    if (input_arrivals(in) != nullptr)
        return scan_timed_packets<true>(in, step, event);
    return scan_timed_packets<false>(in, step, event);
}

// A step for the packets that `wanted(ts)` picks out, handed to `take`; the
// packets between them go by as runs, their sync bytes checked, nothing more.
template <class Wanted, class Take>
struct PickedStep {
    Wanted wanted;
    Take take;
    bool operator()(const Packet& packet) { return !wanted(packet.ts) || take(packet); }
    std::size_t run(const unsigned char* ts, std::size_t count, unsigned size, std::uint64_t, std::uint64_t)
    {
        std::size_t n = 0;
        for (; n < count && *ts == sync_byte_value && !wanted(ts); ts += size)
            ++n;
        return n;
    }
};

// What the printed reports do where bytes are skipped: one line on standard
// error, written after everything printed before it.
struct SyncLog {
    Output& out;
    std::FILE* err;
    bool lost = false;  // a sync byte was lost: the run fails
    void operator()(const SyncEvent& event);
};

// Finds the first packet without transport error that starts a unit on `pid`
// and copies its 188 bytes to `packet`. Yields ScanEnd::stopped when one was found.
ScanEnd find_section_packet(const PacketInput& in, unsigned pid, unsigned char* packet, SyncLog& log);

// A scan that ended without finding what it looked for.
inline ReportEnd scan_failure(ScanEnd end)
{
    switch (end) {
    case ScanEnd::bad_sync:
        return ReportEnd::bad_sync;
    case ScanEnd::read_error:
        return ReportEnd::read_error;
    case ScanEnd::no_packets:
        return ReportEnd::no_packets;
    default:
        return ReportEnd::not_found;
    }
}

}  // namespace ostrel
