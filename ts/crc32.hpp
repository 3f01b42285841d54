// The CRC_32 of MPEG-2 sections (ISO/IEC 13818-1 Annex A): polynomial
// 0x04C11DB7, initial value 0xFFFFFFFF, bits taken most significant first,
// no final XOR. Over a whole section, CRC_32 field included, it yields 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

inline constexpr std::uint32_t crc32_initial = 0xFFFFFFFF;

// Goes on from `crc` over `length` bytes.
std::uint32_t crc32_update(std::uint32_t crc, const unsigned char* data, std::size_t length);

}  // namespace ostrel
