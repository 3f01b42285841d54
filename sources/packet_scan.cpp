#include "sources/packet_scan.hpp"

#include <cstring>

namespace ostrel {

void SyncLog::operator()(const SyncEvent& event)
{
    if (event.kind == SyncEvent::trailing)
        return;  // the printed reports end at the last whole packet, as they always have
    out_flush(out);
    const auto at = static_cast<unsigned long long>(event.at);
    const auto after = static_cast<unsigned long long>(event.after_packet);
    const auto skipped = static_cast<unsigned long long>(event.skipped);
    switch (event.kind) {
    case SyncEvent::skipped_start:
        std::fprintf(err, "Skipped %llu bytes before the first packet\n", skipped);
        return;
    case SyncEvent::lost:
        std::fprintf(err, "Sync lost at byte %llu after packet %llu: skipped %llu bytes\n", at, after, skipped);
        break;
    case SyncEvent::lost_for_good:
        std::fprintf(err, "Sync lost at byte %llu after packet %llu: no packet follows\n", at, after);
        break;
    case SyncEvent::trailing:
        break;
    }
    lost = true;
}

ScanEnd find_section_packet(const PacketInput& in, unsigned pid, unsigned char* packet, SyncLog& log)
{
    const unsigned wanted = pid & 0xFFFF;
    // transport_error_indicator 0, payload_unit_start_indicator 1, then the PID
    const auto starts_unit = [wanted](const unsigned char* ts) {
        const HeaderView h{ts};
        return !h.transport_error() && h.unit_start() && h.pid() == wanted;
    };
    const auto take = [packet](const Packet& p) {
        std::memcpy(packet, p.ts, packet_size);
        return false;
    };
    PickedStep<decltype(starts_unit), decltype(take)> step{starts_unit, take};
    return scan_packets(in, step, log);
}

}  // namespace ostrel
