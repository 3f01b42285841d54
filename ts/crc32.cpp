#include "ts/crc32.hpp"

#include <array>

namespace ostrel {
namespace {

constexpr std::array<std::uint32_t, 256> make_crc_table()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        table[byte] = crc;
    }
    return table;
}

constexpr auto crc_table = make_crc_table();

}  // namespace

std::uint32_t crc32_update(std::uint32_t crc, const unsigned char* data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        crc = (crc << 8) ^ crc_table[(crc >> 24) ^ data[i]];
    return crc;
}

}  // namespace ostrel
