// Reading fields off a Reader straight into a FieldSink: each read is emitted
// only while the bytes hold it; the first read past the end reports the cut
// once, and nothing after it in the same bytes is emitted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "psi/dvb/dvb_text.hpp"
#include "psi/field_sink.hpp"
#include "ts/reader.hpp"

namespace ostrel {

struct DecodeContext {
    DvbText& text;
    std::uint32_t private_data_specifier = 0;  // the last private_data_specifier_descriptor of the loop
};

struct SinkFields {
    Reader& r;
    FieldSink& s;
    DecodeContext& c;
    bool reported = false;

    // False once the bytes ran out (and the cut was reported).
    bool ok()
    {
        if (r.cut && !reported) {
            reported = true;
            s.cut();
        }
        return !r.cut;
    }
    bool more() { return ok() && r.left() > 0; }
    // The bytes end here, as a decoded struct says: reported once.
    void cut_here()
    {
        if (!reported) {
            reported = true;
            s.cut();
        }
    }
    std::uint64_t num(std::string_view name, unsigned bits)
    {
        const std::uint64_t v = r.bits(bits);
        if (ok())
            s.number(name, v);
        return v;
    }
    std::uint64_t code(std::string_view name, unsigned bits, std::string_view meaning = {})
    {
        const std::uint64_t v = r.bits(bits);
        if (ok())
            s.code(name, v, (bits + 3) / 4, meaning);
        return v;
    }
    bool flag(std::string_view name)
    {
        const bool v = r.bits(1) != 0;
        if (ok())
            s.flag(name, v);
        return v;
    }
    void seconds(std::string_view name, double value)
    {
        if (ok())
            s.seconds(name, value);
    }
    void skip(unsigned bits)
    {
        r.bits(bits);
        ok();
    }
    // Characters of a code (ISO 639 language, country, format_identifier): printable ASCII, else '.'.
    void chars(std::string_view name, unsigned count)
    {
        const Reader t = r.take(count);
        if (ok())
            s.text(name, printable_ascii(t.data, t.size, '.'));
    }
    // A DVB string of `length` bytes.
    void dvb_text(std::string_view name, std::size_t length)
    {
        Reader t = r.take(length);
        if (ok())
            s.text(name, c.text.to_utf8(t.data, t.size));
    }
    // A DVB string after its 8-bit length.
    void dvb_text(std::string_view name) { dvb_text(name, r.u8()); }
    void text(std::string_view name, const std::string& value)
    {
        if (ok())
            s.text(name, value);
    }
    void bytes(std::string_view name, std::size_t length)
    {
        Reader t = r.take(length);
        if (ok() && length > 0)
            s.bytes(name, t.data, t.size);
    }
    // What is left, when anything is.
    void rest(std::string_view name)
    {
        if (more())
            bytes(name, r.left());
    }
};

// A list of `count` entries (fewer when the bytes end), each read by `entry`.
template <class Entry>
void counted_list(SinkFields& f, std::string_view list, std::string_view label, std::uint64_t count, Entry entry)
{
    f.s.begin_list(list);
    for (std::uint64_t i = 0; i < count && f.more(); ++i) {
        f.s.begin_item(label);
        entry();
        f.s.end_item();
    }
    f.s.end_list();
}

// The descriptors in `r`, a whole descriptor loop, as the list "descriptors".
void decode_descriptors(Reader r, DecodeContext& c, FieldSink& sink);
// The same without the list around them (loops of several sections in one list).
void decode_descriptor_items(Reader r, DecodeContext& c, FieldSink& sink);

}  // namespace ostrel
