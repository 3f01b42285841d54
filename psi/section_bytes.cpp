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

}  // namespace ostrel
