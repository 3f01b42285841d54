#include "packets/packet_scan.hpp"

#include <cstring>

namespace ostrel {

ScanEnd find_section_packet(const PacketInput& in, unsigned pid, unsigned char* packet)
{
    const unsigned wanted = pid & 0xFFFF;
    return scan_packets(in, [&](const unsigned char* p, std::uint64_t) {
        // transport_error_indicator 0, payload_unit_start_indicator 1, then the PID
        if ((p[1] & 0xC0) != 0x40 || packet_pid(p) != wanted)
            return true;
        std::memcpy(packet, p, packet_size);
        return false;
    });
}

}  // namespace ostrel
