#include "codecs/nal.hpp"

namespace ostrel {

bool next_nal(const unsigned char* es, std::size_t size, std::size_t& at, std::size_t& begin, std::size_t& length)
{
    std::size_t i = at;
    while (i + 3 <= size && !(es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1))
        ++i;
    if (i + 3 > size)
        return false;
    begin = i + 3;
    std::size_t end = begin;
    while (end + 3 <= size && !(es[end] == 0 && es[end + 1] == 0 && (es[end + 2] == 1 || es[end + 2] == 0)))
        ++end;
    if (end + 3 > size)
        end = size;
    length = end - begin;
    at = end;
    return true;
}

std::size_t unescape_nal(const unsigned char* nal, std::size_t length, unsigned char* out, std::size_t capacity)
{
    std::size_t n = 0;
    unsigned zeros = 0;
    for (std::size_t i = 0; i < length && n < capacity; ++i) {
        if (zeros >= 2 && nal[i] == 0x03) {
            zeros = 0;
            continue;  // emulation_prevention_three_byte
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        out[n++] = nal[i];
    }
    return n;
}

std::uint32_t read_ue(Reader& r)
{
    unsigned zeros = 0;
    while (r.bits(1) == 0) {
        if (r.cut || ++zeros > 31) {
            r.cut = true;
            return 0;
        }
    }
    return static_cast<std::uint32_t>((std::uint64_t{1} << zeros) - 1 + r.bits(zeros));
}

std::int32_t read_se(Reader& r)
{
    const std::uint32_t k = read_ue(r);
    return (k & 1) ? static_cast<std::int32_t>((k + 1) / 2) : -static_cast<std::int32_t>(k / 2);
}

}  // namespace ostrel
