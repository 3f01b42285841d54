// The hex dump layout shared by every dump: 16 bytes a line as two upper-case
// hex digits joined by ':', each line led by `indent` spaces; a full line that
// is not the last ends in ':'. An empty dump is the indent and "no data".
#pragma once

#include <cstddef>

namespace ostrel {

inline constexpr unsigned max_indent = 8;

// The most bytes dump_bytes writes for `length` bytes.
constexpr std::size_t dump_size(std::size_t length, unsigned indent)
{
    return (length / 16 + 1) * (indent + 1) + length * 3 + 16;
}

// Writes the dump at `w` (room for dump_size bytes) and returns its end.
char* dump_bytes(char* w, const unsigned char* data, std::size_t length, unsigned indent);

}  // namespace ostrel
