#include "psi/section_bytes.hpp"

namespace ostrel {

Reader section_body(unsigned table_id, const SectionBytes& section)
{
    if (section.size < 3)
        return Reader{section.data, 0};
    const bool long_form = (section.data[1] & 0x80) != 0;
    const std::size_t start = long_form ? 8 : 3;
    const std::size_t crc = carries_crc(table_id, section.data[1]) ? 4 : 0;
    if (section.size < start + crc)
        return Reader{section.data, 0};
    return Reader{section.data + start, section.size - crc - start};
}

LongHeader read_long_header(const unsigned char* bytes, std::size_t size)
{
    Reader r{bytes, size < 6 ? size : 6};
    LongHeader h{};
    h.table_id = r.u8();
    r.skip(4);  // section_syntax_indicator, '0', reserved
    h.section_length = static_cast<unsigned>(r.bits(12));
    h.extension = r.u16();
    h.reserved = static_cast<unsigned>(r.bits(2));
    h.version_number = static_cast<unsigned>(r.bits(5));
    h.current_next_indicator = static_cast<unsigned>(r.bits(1));
    return h;
}

}  // namespace ostrel
