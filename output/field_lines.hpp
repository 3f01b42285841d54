// The lines of decoded fields: a name padded to a fixed column, then the
// value as the report writes values; and reads that never pass the bytes shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ts/reader.hpp"

namespace ostrel {

// Bytes read in order through the bounded reader, never past its end.
struct LineFields {
    Reader bytes;
    std::size_t at;  // the next field's offset in `bytes`
    unsigned indent;
    const char* where;  // what ends the bytes: "adaptation field" or "PES header"
};

// The byte `i` places after the next field's start; 0 past the end.
inline std::uint64_t byte_at(const LineFields& f, std::size_t i) { return f.bytes.u8_at(f.at + i); }
inline std::size_t fields_end(const LineFields& f) { return f.bytes.size; }

// The indent and "<name>:" padded to the value column.
char* put_label(char* w, const LineFields& f, std::string_view name);
// "'<count binary digits>'b"
char* put_bits(char* w, const LineFields& f, std::string_view name, unsigned value, unsigned count);
// "'<decimal>'d"
char* put_number(char* w, const LineFields& f, std::string_view name, std::uint64_t value);
// "'<value>'d, <s>.<us> s" for a clock of num/den ticks a microsecond; no newline.
char* put_time(char* w, const LineFields& f, std::string_view name, std::uint64_t value, std::uint64_t ticks_per_us_num,
               std::uint64_t ticks_per_us_den);
// A 33-bit time stamp at 90 kHz in the next 5 bytes (4 bits, [32..30],
// marker, [29..15], marker, [14..0], marker): its line, with a note when a
// marker bit is not 1. The 5 bytes must be there.
char* put_time_stamp(char* w, LineFields& f, std::string_view name);
// True when `n` more bytes are there; else writes the line that says the field is cut.
bool field_held(char*& w, const LineFields& f, std::size_t n, std::string_view name);

}  // namespace ostrel
