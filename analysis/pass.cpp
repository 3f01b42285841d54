#include "analysis/pass.hpp"

#include "analysis/packet_checks.hpp"
#include "analysis/progress.hpp"

namespace ostrel {

ScanEnd run_pass(const PacketInput& in, Analysis& a, std::FILE* err, const PassHook* hook)
{
    Progress progress = progress_start(err, in.file);
    PacketInput reading = in;
    reading.resync = true;  // damage is counted, never a reason to stop
    reading.bytes_read = &a.bytes;
    struct Step {
        Analysis& a;
        Progress& progress;
        const PassHook* hook;
        bool operator()(const Packet& packet)
        {
            if (packet.number == 1)
                a.first_offset = packet.offset;
            a.packet_size = packet.size;
            analyze_packet(a, packet);
            if ((packet.number & 0xFFFF) == 0)
                progress_update(progress, packet.offset);
            return hook == nullptr || hook->packet(hook->context, packet);
        }
        void window_moves()
        {
            analyze_window_moves(a);
            if (hook != nullptr)
                hook->window_moves(hook->context);
        }
    } step{a, progress, hook};
    const auto event = [&](const SyncEvent& e) { analyze_sync_event(a, e); };
    const ScanEnd end = scan_packets(reading, step, event);
    if (a.check_priority >= 3)
        end_si_checks(a);
    end_timeline(a);
    progress_end(progress);
    for (const PidState& s : a.pids)
        a.packets += s.packets;
    return end;
}

}  // namespace ostrel
