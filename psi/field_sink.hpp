// What a table or descriptor decoder hands on: named fields in the order of
// their syntax, lists of entries, descriptors, and where the bytes ran out.
// Decoders never print; a writer (text or JSON) receives these calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ostrel {

struct FieldSink {
    virtual ~FieldSink() = default;
    virtual void number(std::string_view name, std::uint64_t value) = 0;
    // A coded value: hex with `digits` digits in the text form, and its meaning where there is one.
    virtual void code(std::string_view name, std::uint64_t value, unsigned digits, std::string_view meaning) = 0;
    virtual void flag(std::string_view name, bool value) = 0;
    virtual void seconds(std::string_view name, double value) = 0;  // a time worked out from ticks
    virtual void text(std::string_view name, std::string_view utf8) = 0;
    virtual void bytes(std::string_view name, const unsigned char* data, std::size_t size) = 0;
    virtual void begin_list(std::string_view name) = 0;
    virtual void end_list() = 0;
    virtual void begin_item(std::string_view label) = 0;  // one entry of the list
    virtual void end_item() = 0;
    virtual void begin_descriptor(unsigned tag, std::string_view name, std::size_t length) = 0;
    virtual void end_descriptor() = 0;
    // The bytes of the item ended before the next field: no field follows in it.
    virtual void cut() = 0;
};

}  // namespace ostrel
