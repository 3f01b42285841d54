// PES start detection: a payload that holds the start code prefix 00 00 01
// gets a line naming the stream, then its PES header and data dumped apart.
#pragma once

#include <cstddef>

namespace ostrel {

// Offset of the first 00 00 01 whose stream_id byte lies inside the payload,
// or `length` when there is none.
std::size_t find_pes_start(const unsigned char* payload, std::size_t length);

// True for the packets searched: start indicator set, PID 0x0010 to 0x1FFE.
inline bool may_start_pes(unsigned payload_unit_start_indicator, unsigned PID)
{
    return payload_unit_start_indicator == 1 && PID >= 0x0010 && PID <= 0x1FFE;
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

// Writes the "PES Starts" line with the header and data dumps. Nothing past
// the payload is read: a header that runs past its end is cut there.
// With `decode`, the header's fields follow its dump.
char* put_pes_start(char* w, const unsigned char* payload, std::size_t length, std::size_t pes_start,
                    bool decode = false);

}  // namespace ostrel
