#include "analysis/pass.hpp"

#include "analysis/progress.hpp"

namespace ostrel {

ScanEnd run_pass(const PacketInput& in, Analysis& a, std::FILE* err)
{
    Progress progress = progress_start(err, in.file);
    PacketInput reading = in;
    reading.resync = true;  // damage is counted, never a reason to stop
    reading.bytes_read = &a.bytes;
    const auto step = [&](const Packet& packet) {
        analyze_packet(a, packet);
        if ((packet.number & 0xFFFF) == 0)
            progress_update(progress, packet.offset);
        return true;
    };
    const auto event = [&](const SyncEvent& e) { analyze_sync_event(a, e); };
    const ScanEnd end = scan_packets(reading, step, event);
    progress_end(progress);
    return end;
}

}  // namespace ostrel
