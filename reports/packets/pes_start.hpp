// PES start detection: a payload that holds the start code prefix 00 00 01
// gets a line naming the stream, then its PES header and data dumped apart.
#pragma once

#include <cstddef>

#include "ts/pes.hpp"

namespace ostrel {

// Offset of the first 00 00 01 whose stream_id byte lies inside the payload,
// or `length` when there is none.
std::size_t find_pes_start(const unsigned char* payload, std::size_t length);

// True for the packets searched: start indicator set, PID 0x0010 to 0x1FFE.
inline bool may_start_pes(unsigned payload_unit_start_indicator, unsigned PID)
{
    return payload_unit_start_indicator == 1 && PID >= 0x0010 && PID <= 0x1FFE;
}

// Writes the "PES Starts" line with the header and data dumps. Nothing past
// the payload is read: a header that runs past its end is cut there.
// With `decode`, the header's fields follow its dump.
char* put_pes_start(char* w, const unsigned char* payload, std::size_t length, std::size_t pes_start,
                    bool decode = false);

}  // namespace ostrel
