#include "pass/pass.hpp"

#include "pass/intervals.hpp"
#include "pass/packet_path.hpp"
#include "pass/segments.hpp"
#include "pass/checks/packet_checks.hpp"
#include "output/progress.hpp"
#include "pass/network/flow_figures.hpp"

namespace ostrel {

namespace {

// The step of the pass: every packet into the analysis, then to the report's hook when it has one.
template <bool hooked, bool arrivals>
struct Step {
    Analysis& a;
    Progress& progress;
    PassHook* hook;
    PassTap* tap;
    bool operator()(const Packet& packet)
    {
        if (packet.number == 1) {
            a.first_offset = packet.offset;
            a.packet_size = packet.size;  // one size for the whole scan
        }
        if constexpr (arrivals) {
            const ArrivalRecord* r = packet.arrival;
            if (r != nullptr && (r->time_ns != a.arrival.now_ns || !a.arrival.started))
                note_arrival(a, r->time_ns, packet.offset);
        }
        if (a.segments != nullptr) [[unlikely]]  // a playlist's: its segments, one test for the rest
            segment_packet(a, *a.segments, packet);
        analyze_packet(a, packet);
        if (a.intervals != nullptr)
            intervals_packet(a, *a.intervals, packet.offset, packet_pid(packet.ts));
        if ((packet.number & 0xFFFF) == 0)
            progress_update(progress, packet.offset);
        if constexpr (hooked)
            return hook->packet(packet);
        return true;
    }
    // Plain packets of one PID, taken as a run when nothing else looks at each
    // packet: not a report's hook, nor the intervals of a capture (whose buffer
    // takes each packet). Of a network source, the scan offers those of the
    // datagram under way only.
    std::size_t run(const unsigned char* ts, std::size_t count, unsigned size, std::uint64_t number,
                    std::uint64_t offset)
    {
        if constexpr (hooked)
            return 0;
        if (a.intervals != nullptr && a.arrival.on)
            return 0;
        if (a.segments != nullptr)  // a run ends where a playlist's segment does
            count = packets_before(a.segment_log->next_offset, count, size, offset);
        const std::size_t taken = analyze_plain_run(a, ts, count, size, number, offset);
        if (taken > 0 && a.intervals != nullptr)
            intervals_run(a, *a.intervals, offset, packet_pid(ts), static_cast<unsigned>(taken), size);
        if (taken > 0 && ((number - 1) >> 16) != ((number + taken - 1) >> 16))
            progress_update(progress, offset + (taken - 1) * size);
        return taken;
    }
    void window_moves()
    {
        analyze_window_moves(a);
        if (tap != nullptr) [[unlikely]]
            tap->moves(a);
        if constexpr (hooked)
            hook->window_moves();
    }
};

}  // namespace

ReportEnd pass_end(ScanEnd end, const Analysis& a)
{
    if (end == ScanEnd::read_error || end == ScanEnd::no_packets)
        return scan_failure(end);
    return a.packets == 0 ? ReportEnd::no_packets : ReportEnd::done;
}

ScanEnd run_pass(const PacketInput& in, Analysis& a, std::FILE* err, PassHook* hook)
{
    Progress progress = progress_start(err, in.file);
    PacketInput reading = in;
    reading.resync = true;  // damage is counted, never a reason to stop
    reading.bytes_read = &a.bytes;
    const auto event = [&](const SyncEvent& e) { analyze_sync_event(a, e); };
    a.arrival.on = input_arrivals(in) != nullptr;
    SegmentLog* const segments = in.source != nullptr ? in.source->segments() : nullptr;
    if (segments != nullptr && !track_segments(a, *segments))
        return ScanEnd::read_error;
    if (in.tap != nullptr)
        in.tap->begin(a);
    ScanEnd end;
    if (a.arrival.on && hook != nullptr) {
        Step<true, true> step{a, progress, hook, in.tap};
        end = scan_packets(reading, step, event);
    } else if (a.arrival.on) {
        Step<false, true> step{a, progress, hook, in.tap};
        end = scan_packets(reading, step, event);
    } else if (hook != nullptr) {
        Step<true, false> step{a, progress, hook, in.tap};
        end = scan_packets(reading, step, event);
    } else {
        Step<false, false> step{a, progress, hook, in.tap};
        end = scan_packets(reading, step, event);
    }
    if (segments != nullptr) {
        finish_segments(a);
        untrack_segments(a);
    }
    if (a.check_priority >= 3)
        end_si_checks(a);
    end_timeline(a);
    progress_end(progress);
    for_each_used_pid(a, [&](unsigned, const PidState& s) { a.packets += s.packets; });
    if (in.tap != nullptr)
        in.tap->end(a);
    return end;
}

ScanEnd run_flow_pass(const PacketInput& in, Analysis& a, std::FILE* err, FlowFigures* figures)
{
    if (figures != nullptr && figures->packets_elsewhere)
        a.figures = figures;
    const ScanEnd end = run_pass(in, a, err);
    if (a.figures != nullptr)
        figures->clock = a.clock;
    return end;
}

}  // namespace ostrel
