#include "ts/packet_header.hpp"

namespace ostrel {

PacketHeader decode_header(const unsigned char* p)
{
    PacketHeader h;
    h.sync_byte = p[0];
    h.transport_error_indicator = p[1] >> 7;
    h.payload_unit_start_indicator = (p[1] >> 6) & 1;
    h.transport_priority = (p[1] >> 5) & 1;
    h.PID = packet_pid(p);
    h.transport_scrambling_control = p[3] >> 6;
    h.adaptation_field_control = (p[3] >> 4) & 3;
    h.continuity_counter = p[3] & 0x0F;
    h.adaptation_field_length = (h.adaptation_field_control & 2) ? p[4] : 0;
    return h;
}

std::size_t section_start(const unsigned char* packet, const PacketHeader& h)
{
    const std::size_t start = payload_start(h);
    if (start >= packet_size)
        return packet_size;  // the pointer_field itself lies past the packet
    return start + packet[start] + 1;
}

}  // namespace ostrel
