#include "output/field_lines.hpp"

#include "output/output.hpp"

namespace ostrel {
namespace {

constexpr std::size_t label_width = 40;
constexpr std::string_view spaces = "                                                            ";

}  // namespace

char* put_label(char* w, const LineFields& f, std::string_view name)
{
    w = put(w, spaces.substr(0, f.indent));
    w = put(w, name);
    w = put_char(w, ':');
    return put(w, spaces.substr(0, name.size() + 1 < label_width ? label_width - name.size() - 1 : 1));
}

char* put_bits(char* w, const LineFields& f, std::string_view name, unsigned value, unsigned count)
{
    w = put_char(put_label(w, f, name), '\'');
    for (unsigned i = count; i-- > 0;)
        w = put_char(w, static_cast<char>('0' + ((value >> i) & 1)));
    return put(w, "'b\n");
}

char* put_number(char* w, const LineFields& f, std::string_view name, std::uint64_t value)
{
    w = put_char(put_label(w, f, name), '\'');
    w = put_dec(w, value);
    return put(w, "'d\n");
}

char* put_time(char* w, const LineFields& f, std::string_view name, std::uint64_t value, std::uint64_t ticks_per_us_num,
               std::uint64_t ticks_per_us_den)
{
    w = put_char(put_label(w, f, name), '\'');
    w = put_dec(w, value);
    const std::uint64_t us = value * ticks_per_us_den / ticks_per_us_num;
    w = put(w, "'d, ");
    w = put_dec(w, us / 1'000'000);
    w = put_char(w, '.');
    const std::uint64_t fraction = us % 1'000'000;
    for (std::uint64_t scale = 100'000; scale > 0; scale /= 10)
        w = put_char(w, static_cast<char>('0' + fraction / scale % 10));
    return put(w, " s");
}

bool field_held(char*& w, const LineFields& f, std::size_t n, std::string_view name)
{
    if (f.at + n <= fields_end(f))
        return true;
    w = put(put_label(w, f, name), "cut by the end of the ");
    w = put(w, f.where);
    w = put_char(w, '\n');
    return false;
}

// A 33-bit time stamp in 5 bytes (4 bits, 3, marker, 15, marker, 15, marker), 90 kHz.
char* put_time_stamp(char* w, LineFields& f, std::string_view name)
{
    const std::uint64_t value = (byte_at(f, 0) >> 1 & 7) << 30 | byte_at(f, 1) << 22 | (byte_at(f, 2) >> 1) << 15 |
                                byte_at(f, 3) << 7 | byte_at(f, 4) >> 1;
    const bool markers = (byte_at(f, 0) & byte_at(f, 2) & byte_at(f, 4) & 1) != 0;
    f.at += 5;
    w = put_time(w, f, name, value, 9, 100);
    return put(w, markers ? "\n" : ", marker_bit not 1\n");
}

}  // namespace ostrel
