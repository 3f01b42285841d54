#include "psi/model/pmt.hpp"

#include "ts/reader.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

void read_header(const unsigned char* bytes, std::size_t size, PmtSection& pmt)
{
    const LongHeader h = read_long_header(bytes, size);
    pmt.held = size;
    pmt.table_id = h.table_id;
    pmt.section_length = h.section_length;
    pmt.program_number = h.extension;
    pmt.version_number = h.version_number;
    pmt.pcr_known = pmt.info_known = pmt.loop_cut = false;
    pmt.pcr_pid = pid_null;
    pmt.program_info_length = 0;
    pmt.program_info = bytes;
    pmt.program_info_held = 0;
    pmt.count = 0;
    pmt.loop = Reader{bytes, 0, 0, true};
}

// `length` bytes of descriptors from `r`: as many as it holds.
void take_loop(Reader& r, std::size_t length, const unsigned char*& loop, std::size_t& held)
{
    const Reader t = r.take(length);
    loop = t.data;
    held = t.size;
}

}  // namespace

bool next_pmt_stream(Reader& r, PmtStream& s)
{
    if (r.cut || r.left() == 0)
        return false;
    s = PmtStream{r.u8(), 0, 0, r.data, 0, PmtHeld::type};
    r.skip(3);
    s.elementary_pid = static_cast<unsigned>(r.bits(13));
    if (r.cut)
        return true;
    s.held = PmtHeld::pid;
    r.skip(4);
    s.es_info_length = static_cast<unsigned>(r.bits(12));
    if (r.cut)
        return true;
    take_loop(r, s.es_info_length, s.es_info, s.es_info_held);
    s.held = r.cut ? PmtHeld::info_cut : PmtHeld::whole;
    return true;
}

void decode_pmt(const SectionBytes& section, PmtSection& pmt)
{
    read_header(section.data, section.size, pmt);
    Reader r = section_body(section.data[0], section);
    r.skip(3);
    pmt.pcr_pid = static_cast<unsigned>(r.bits(13));
    pmt.pcr_known = !r.cut;
    if (!pmt.pcr_known)
        pmt.pcr_pid = pid_null;
    r.skip(4);
    pmt.program_info_length = static_cast<unsigned>(r.bits(12));
    if (r.cut)
        return;
    pmt.info_known = true;
    take_loop(r, pmt.program_info_length, pmt.program_info, pmt.program_info_held);
    pmt.loop = r.cut ? Reader{r.data, 0, 0, true} : r.rest();
    Reader loop = pmt.loop;
    while (pmt.count <= max_pmt_streams && next_pmt_stream(loop, pmt.streams[pmt.count]))
        ++pmt.count;
}

void decode_pmt_start(const unsigned char* bytes, std::size_t size, PmtSection& pmt)
{
    read_header(bytes, size, pmt);
    pmt.section_length &= 0x3FF;
    const auto bits10 = [&](std::size_t at) { return (bytes[at] & 0x03u) << 8 | bytes[at + 1]; };
    if (size < 10)
        return;
    pmt.pcr_pid = (bytes[8] & 0x1Fu) << 8 | bytes[9];
    pmt.pcr_known = true;
    if (size < 12)
        return;
    pmt.program_info_length = bits10(10);
    pmt.info_known = true;
    // 9 bytes from program_number to program_info_length, 4 of CRC_32.
    const long loop_size = static_cast<long>(pmt.section_length) - static_cast<long>(pmt.program_info_length) - 13;
    const std::size_t loop_start = 12 + pmt.program_info_length;
    for (long o = 0; o < loop_size; pmt.count++) {
        const std::size_t at = loop_start + static_cast<std::size_t>(o);
        if (at + 4 >= size || pmt.count > max_pmt_streams) {
            pmt.loop_cut = true;
            return;
        }
        PmtStream& s = pmt.streams[pmt.count];
        s = PmtStream{bytes[at], (bytes[at + 1] & 0x1Fu) << 8 | bytes[at + 2], bits10(at + 3), bytes + at + 5, 0,
                      PmtHeld::pid};
        o += 5 + static_cast<long>(s.es_info_length);
    }
}

}  // namespace ostrel
