// --decode: the adaptation field (ISO/IEC 13818-1 2.4.3.4, 2.4.3.5) and the
// PES header (2.4.3.6, 2.4.3.7) field by field, one field a line, read only
// from the bytes their dumps show. A field that its flag announces but that
// lies past those bytes gets one line saying where it is cut, and decoding
// stops there.
#pragma once

#include <cstddef>

namespace ostrel {

// The most bytes either function writes.
inline constexpr std::size_t max_decoded_size = 4096;

// `field` is the adaptation field after its length byte (the flags byte
// first), `length` the bytes of it the packet holds (0: nothing is written).
char* put_adaptation_fields(char* w, const unsigned char* field, std::size_t length);

// `header` is the PES header dump: from the start code prefix, `length` bytes.
char* put_pes_header_fields(char* w, const unsigned char* header, std::size_t length);

}  // namespace ostrel
