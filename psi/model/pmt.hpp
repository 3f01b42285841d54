// The Program Map Table (ISO/IEC 13818-1 2.4.4.8, Table 2-33), one section
// decoded into a plain struct that every reader of the PMT shares: the
// --pmt: report, the pass and the facts read off it, the tables report and
// the cut. Descriptor loops stay bytes, walked where they are needed.
#pragma once

#include <cstddef>

#include "psi/section_bytes.hpp"

namespace ostrel {

// Entries of at least 5 bytes after 13 bytes of header and CRC_32.
inline constexpr unsigned max_pmt_streams = (max_section_length - 13) / 5;

// How much of an entry the bytes hold.
enum class PmtHeld : unsigned char {
    type,       // stream_type alone
    pid,        // and elementary_PID, not ES_info_length
    info_cut,   // and ES_info_length, but not all the descriptors it counts
    whole,
};

struct PmtStream {
    unsigned stream_type;
    unsigned elementary_pid;
    unsigned es_info_length;
    const unsigned char* es_info;  // the ES_info descriptors, as far as the bytes hold them
    std::size_t es_info_held;
    PmtHeld held;
};

struct PmtSection {
    std::size_t held;  // bytes of the section at hand, from table_id (pmt_holds)
    unsigned table_id;
    unsigned section_length;
    unsigned program_number;
    unsigned version_number;
    // Of a complete section, read off its body: what the body holds of it.
    bool pcr_known, info_known;
    unsigned pcr_pid;
    unsigned program_info_length;
    const unsigned char* program_info;  // the program_info descriptors, as far as the bytes hold them
    std::size_t program_info_held;
    Reader loop;     // the entries' bytes (next_pmt_stream), past program_info
    unsigned count;  // entries, the last perhaps cut short (PmtHeld); of a section longer
                     // than a PMT may be, the first max_pmt_streams + 1
    bool loop_cut;   // (--pmt:) the bytes end before the loop section_length gives does
    PmtStream streams[max_pmt_streams + 1];
};

inline bool pmt_holds(const PmtSection& pmt, std::size_t offset) { return offset < pmt.held; }

// A complete section, CRC_32 checked: its body (section_body) read as the
// standard lays it out. Pointers in the struct point into `section`.
void decode_pmt(const SectionBytes& section, PmtSection& pmt);

// The next entry of `loop`, as far as it holds it; false when it is empty
// or an entry before was cut short.
bool next_pmt_stream(Reader& loop, PmtStream& stream);

// The start of a section, as much of it as one packet holds (`size` bytes
// from table_id), as the --pmt: report reads it: the lengths from their low
// 10 bits (the two above are '00' in a conforming stream), the loop as long
// as section_length makes it, each entry only when its 5 bytes are held.
void decode_pmt_start(const unsigned char* bytes, std::size_t size, PmtSection& pmt);

// The entries whose ES_info_length the bytes hold: the streams of the program.
inline unsigned pmt_stream_count(const PmtSection& pmt)
{
    return pmt.count > 0 && pmt.streams[pmt.count - 1].held < PmtHeld::info_cut ? pmt.count - 1 : pmt.count;
}

}  // namespace ostrel
