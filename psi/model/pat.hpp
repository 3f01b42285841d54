// The Program Association Table (ISO/IEC 13818-1 2.4.4.3, Table 2-30), one
// section decoded into a plain struct that every reader of the PAT shares:
// the --pat report, the pass, the tables report and the cut.
#pragma once

#include <cstddef>

#include "psi/section_bytes.hpp"

namespace ostrel {

// Entries of 4 bytes after the 8-byte header, before the CRC_32: (1021 - 9) / 4
// in a section as long as a PAT may be, but as many as the longest section
// the assembler keeps can hold (a section_length is 12 bits); one more holds
// an entry cut short.
inline constexpr unsigned max_pat_entries = (max_section_bytes - 12) / 4;

struct PatEntry {
    unsigned program_number;
    unsigned pid;  // program_map_PID, or network_PID for program_number 0
};

struct PatSection {
    std::size_t held;  // bytes of the section at hand, from table_id: a header field is known
                       // when they reach past it (pat_holds)
    unsigned table_id;
    unsigned section_length;  // 12 bits
    unsigned transport_stream_id;
    unsigned reserved;  // the 2 bits before version_number
    unsigned version_number;
    unsigned current_next_indicator;
    unsigned count;  // whole entries of the loop
    unsigned tail;   // bytes of one more entry that the loop's end cuts short (0 to 3); its
                     // program_number is in entries[count] when there are 2 or 3
    PatEntry entries[max_pat_entries + 1];
};

// True when the bytes held reach the byte at `offset` of the section.
inline bool pat_holds(const PatSection& pat, std::size_t offset) { return offset < pat.held; }

// A complete section, CRC_32 checked: the entries of its body (section_body).
void decode_pat(const SectionBytes& section, PatSection& pat);

// The start of a section, as much of it as one packet holds (`size` bytes
// from table_id), as the --pat report reads it: section_length from its low
// 10 bits (the two above are '00' in a conforming stream), and the entries
// those bytes hold of the ones it leaves room for (pat_declared_entries).
void decode_pat_start(const unsigned char* bytes, std::size_t size, PatSection& pat);

// The entries section_length leaves room for: 5 bytes from
// transport_stream_id to last_section_number, 4 of CRC_32, then 4 an entry
// (negative for a section_length below 9).
inline long pat_declared_entries(const PatSection& pat) { return (static_cast<long>(pat.section_length) - 9) / 4; }

}  // namespace ostrel
