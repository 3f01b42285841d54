#include "output/hex_dump.hpp"

#include <array>
#include <cstring>

#include "output/output.hpp"

namespace ostrel {
namespace {

// "XX:" for every byte value, padded to four bytes for a fixed-size copy.
constexpr std::array<std::array<char, 4>, 256> make_hex_table()
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<std::array<char, 4>, 256> table{};
    for (unsigned v = 0; v < 256; ++v)
        table[v] = {digits[v >> 4], digits[v & 15], ':', 0};
    return table;
}

constexpr auto hex_table = make_hex_table();
constexpr char spaces[max_indent] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

// One line: the indent, then "XX:" for each of `count` bytes, then a newline.
inline char* put_hex_line(char* w, const unsigned char* data, std::size_t count, unsigned indent)
{
    std::memcpy(w, spaces, max_indent);
    w += indent;
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(w, hex_table[data[i]].data(), 4);
        w += 3;
    }
    *w = '\n';
    return w + 1;
}

}  // namespace

char* dump_bytes(char* w, const unsigned char* data, std::size_t length, unsigned indent)
{
    if (length == 0) {
        w = put(w, std::string_view(spaces, indent));
        return put(w, "no data\n");
    }
    std::size_t done = 0;
    for (; length - done >= 16; done += 16)  // full lines: a fixed count the compiler unrolls
        w = put_hex_line(w, data + done, 16, indent);
    if (done != length)
        w = put_hex_line(w, data + done, length - done, indent);
    // The last byte of the dump takes no colon: its line ends right after it.
    w[-2] = '\n';
    return w - 1;
}

}  // namespace ostrel
