#include "psi/model/pat.hpp"

#include "ts/reader.hpp"

namespace ostrel {
namespace {

void read_header(const unsigned char* bytes, std::size_t size, PatSection& pat)
{
    const LongHeader h = read_long_header(bytes, size);
    pat.held = size;
    pat.table_id = h.table_id;
    pat.section_length = h.section_length;
    pat.transport_stream_id = h.extension;
    pat.reserved = h.reserved;
    pat.version_number = h.version_number;
    pat.current_next_indicator = h.current_next_indicator;
}

// The entries of the loop in `r`, the last one perhaps cut short.
void read_entries(Reader r, PatSection& pat)
{
    pat.count = 0;
    pat.tail = 0;
    while (r.left() >= 4 && pat.count < max_pat_entries) {
        PatEntry& e = pat.entries[pat.count++];
        e.program_number = r.u16();
        r.skip(3);
        e.pid = static_cast<unsigned>(r.bits(13));
    }
    pat.tail = static_cast<unsigned>(r.left() < 4 ? r.left() : 0);
    if (pat.tail >= 2)
        pat.entries[pat.count] = PatEntry{r.u16(), 0};
}

}  // namespace

void decode_pat(const SectionBytes& section, PatSection& pat)
{
    read_header(section.data, section.size, pat);
    read_entries(section_body(section.data[0], section), pat);
}

void decode_pat_start(const unsigned char* bytes, std::size_t size, PatSection& pat)
{
    read_header(bytes, size, pat);
    pat.section_length &= 0x3FF;
    const long entry_count = pat_declared_entries(pat);
    const std::size_t loop = entry_count > 0 ? 4 * static_cast<std::size_t>(entry_count) : 0;
    const std::size_t after_header = size > 8 ? size - 8 : 0;
    read_entries(Reader{bytes + (size > 8 ? 8 : size), loop < after_header ? loop : after_header}, pat);
}

}  // namespace ostrel
