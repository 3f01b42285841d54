// The one bounded reader over section and descriptor bytes: fields are read
// most significant bit first, as ISO/IEC 13818-1 and EN 300 468 lay them
// out. A read past the end of the bytes held yields 0 and leaves the reader
// cut, which the decoder reports; it never reads a byte from elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ostrel {

struct Reader {
    const unsigned char* data = nullptr;
    std::size_t size = 0;  // bytes
    std::size_t bit = 0;   // position
    bool cut = false;      // a read went past the end

    std::size_t at() const { return bit / 8; }
    std::size_t left() const { return bit / 8 < size ? size - bit / 8 : 0; }
    bool more() const { return !cut && left() > 0; }

    // `n` bits (at most 64) as a number.
    std::uint64_t bits(unsigned n)
    {
        if (cut || bit + n > size * 8) {
            cut = true;
            bit = size * 8;
            return 0;
        }
        std::uint64_t v = 0;
        for (unsigned k = 0; k < n;) {
            const unsigned in_byte = 8 - bit % 8;
            const unsigned take = n - k < in_byte ? n - k : in_byte;
            const unsigned byte = data[bit / 8];
            v = v << take | ((byte >> (in_byte - take)) & ((1u << take) - 1));
            bit += take;
            k += take;
        }
        return v;
    }
    unsigned u8() { return static_cast<unsigned>(bits(8)); }
    unsigned u16() { return static_cast<unsigned>(bits(16)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(bits(32)); }
    void skip(unsigned n) { bits(n); }

    // The next `n` bytes (from a byte boundary) as a reader of their own;
    // fewer when fewer are left, and then this reader is cut.
    Reader take(std::size_t n)
    {
        bit = (bit + 7) / 8 * 8;
        const std::size_t have = left();
        Reader r{data + (have > 0 ? at() : size), n <= have ? n : have};
        if (n > have)
            cut = true;
        bit += (n <= have ? n : have) * 8;
        return r;
    }
    // The rest of the bytes.
    Reader rest() { return take(left()); }

    // Reads by byte offset, for headers laid out by offset (IP, UDP, the
    // adaptation field): 0 for a byte past the end.
    unsigned u8_at(std::size_t i) const { return i < size ? data[i] : 0u; }
    unsigned u16_at(std::size_t i) const { return u8_at(i) << 8 | u8_at(i + 1); }
    // The bytes from offset `n` on: none when `n` is past the end.
    Reader from(std::size_t n) const { return n <= size ? Reader{data + n, size - n} : Reader{data + size, 0}; }
    // The first `n` bytes: all of them when there are fewer.
    Reader first(std::size_t n) const { return Reader{data, n < size ? n : size}; }
};

inline Reader reader_of(const unsigned char* data, std::size_t size) { return Reader{data, size}; }

// The bytes of a code (a language, a country, a format_identifier, a UPID)
// as text: printable ASCII as it is, any other byte as `other`.
inline std::string printable_ascii(const unsigned char* data, std::size_t size, char other)
{
    std::string text;
    for (std::size_t i = 0; i < size; ++i)
        text += data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : other;
    return text;
}

}  // namespace ostrel
