// Standard output through one large buffer. Text is formatted straight into
// the buffer through a cursor: out_space() hands out room for a bounded piece,
// the put_* helpers write it, out_commit() takes it in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace ostrel {

struct Output {
    std::FILE* stream;
    char* data;
    std::size_t capacity;
    std::size_t used;
    bool failed;  // a write to the stream failed; later output is dropped
};

// Room for at least `n` bytes (n <= capacity), flushing first when needed.
char* out_space(Output& out, std::size_t n);
inline void out_commit(Output& out, const char* end) { out.used = static_cast<std::size_t>(end - out.data); }
// Writes what is buffered; false once any write has failed.
bool out_flush(Output& out);
// Appends `text` (of any length) to the output.
void out_text(Output& out, std::string_view text);

inline char* put(char* w, std::string_view s)
{
    std::memcpy(w, s.data(), s.size());
    return w + s.size();
}

inline char* put_char(char* w, char c)
{
    *w = c;
    return w + 1;
}

char* put_dec(char* w, std::uint64_t value);
char* put_signed_dec(char* w, long value);
// `digits` hex digits of `value`, upper or lower case.
char* put_hex(char* w, unsigned value, unsigned digits, bool upper = true);

// printf into the output, one bounded piece (up to 1 KiB).
void out_format(Output& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// printf into a string of at most 255 bytes: a finding's detail, a line to assemble.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace ostrel
