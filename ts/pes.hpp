// What the PES packet syntax fixes (ISO/IEC 13818-1 2.4.3.6, 2.4.3.7) that
// the packet report and the pass both read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

// A payload that begins with packet_start_code_prefix 00 00 01 and a
// stream_id (0xBC and up) starts a PES packet; a section's pointer_field and
// table_id never begin so on a stream PID.
inline bool starts_pes(const unsigned char* payload, std::size_t size)
{
    return size >= 4 && payload[0] == 0 && payload[1] == 0 && payload[2] == 1 && payload[3] >= 0xBC;
}

// False for the stream_ids whose PES packets carry no optional header after
// PES_packet_length (ISO/IEC 13818-1 2.4.3.7): program_stream_map,
// padding_stream, private_stream_2, ECM, EMM, DSMCC_stream, ITU-T Rec. H.222.1
// type E, program_stream_directory.
inline bool pes_has_optional_header(unsigned stream_id)
{
    switch (stream_id) {
    case 0xBC: case 0xBE: case 0xBF: case 0xF0: case 0xF1: case 0xF2: case 0xF8: case 0xFF:
        return false;
    default:
        return true;
    }
}

// A PES packet that starts at `payload` with a PTS (PTS_DTS_flags '1x'):
// true, with the PTS's 33 bits in `pts`.
inline bool pes_pts(const unsigned char* payload, std::size_t size, std::uint64_t& pts)
{
    const unsigned char* q = payload;
    if (size < 14 || q[0] != 0 || q[1] != 0 || q[2] != 1 || !pes_has_optional_header(q[3]) || !(q[7] & 0x80))
        return false;
    pts = (std::uint64_t{q[9]} >> 1 & 7) << 30 | std::uint64_t{q[10]} << 22 | (std::uint64_t{q[11]} >> 1) << 15 |
          std::uint64_t{q[12]} << 7 | std::uint64_t{q[13]} >> 1;
    return true;
}

}  // namespace ostrel
