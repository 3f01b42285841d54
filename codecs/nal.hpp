// NAL units of H.264 and HEVC in a byte stream (ISO/IEC 14496-10 Annex B):
// found by their start codes, their emulation prevention bytes removed, and
// the Exp-Golomb codes of their syntax.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ts/reader.hpp"

namespace ostrel {

// The next NAL unit from `at`: its first byte (after the start code) and its
// length up to the next start code or the end; false when none starts.
bool next_nal(const unsigned char* es, std::size_t size, std::size_t& at, std::size_t& begin, std::size_t& length);

// The NAL unit's bytes with each 00 00 03 read as 00 00; yields the length written (at most `capacity`).
std::size_t unescape_nal(const unsigned char* nal, std::size_t length, unsigned char* out, std::size_t capacity);

// ue(v) and se(v); a code past the end leaves the reader cut (32 leading zeros at most).
std::uint32_t read_ue(Reader& r);
std::int32_t read_se(Reader& r);

}  // namespace ostrel
