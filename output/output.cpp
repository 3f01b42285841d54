#include "output/output.hpp"

#include <cassert>
#include <cstdarg>
#include <cstdio>

namespace ostrel {

bool out_flush(Output& out)
{
    if (out.used != 0 && !out.failed) {
        if (std::fwrite(out.data, 1, out.used, out.stream) != out.used || std::fflush(out.stream) != 0)
            out.failed = true;
    }
    out.used = 0;
    return !out.failed;
}

char* out_space(Output& out, std::size_t n)
{
    assert(n <= out.capacity);
    if (out.capacity - out.used < n)
        out_flush(out);
    return out.data + out.used;
}

void out_text(Output& out, std::string_view text)
{
    while (!text.empty()) {
        const std::size_t piece = text.size() < out.capacity ? text.size() : out.capacity;
        out_commit(out, put(out_space(out, piece), text.substr(0, piece)));
        text.remove_prefix(piece);
    }
}

char* put_dec(char* w, std::uint64_t value)
{
    // Two digits at a time from a table of "00" to "99".
    static constexpr char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char digits[20];
    char* d = digits + sizeof digits;
    while (value >= 100) {
        d -= 2;
        std::memcpy(d, pairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if (value >= 10) {
        d -= 2;
        std::memcpy(d, pairs + 2 * value, 2);
    } else {
        *--d = static_cast<char>('0' + value);
    }
    return put(w, std::string_view(d, static_cast<std::size_t>(digits + sizeof digits - d)));
}

char* put_signed_dec(char* w, long value)
{
    if (value < 0) {
        *w++ = '-';
        return put_dec(w, static_cast<std::uint64_t>(-(value + 1)) + 1);
    }
    return put_dec(w, static_cast<std::uint64_t>(value));
}

char* put_hex(char* w, unsigned value, unsigned digits, bool upper)
{
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (unsigned i = digits; i-- > 0;)
        *w++ = set[(value >> (4 * i)) & 0xF];
    return w;
}

std::string formatted(const char* format, ...)
{
    char text[256];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

void out_format(Output& out, const char* format, ...)
{
    constexpr std::size_t piece = 1024;
    char* const w = out_space(out, piece);
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(w, piece, format, args);
    va_end(args);
    if (n > 0)
        out_commit(out, w + (static_cast<std::size_t>(n) < piece ? static_cast<std::size_t>(n) : piece - 1));
}

}  // namespace ostrel
