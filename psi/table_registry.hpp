// The table registry: each table the decoders know by its table_ids, the
// PID its standard gives it (none for the PMT and SCTE 35, which come on
// PIDs that other tables name), the standard, and its decoder. A new table
// family is a file of decoders and its rows here.
#pragma once

#include "psi/table_decoding.hpp"

namespace ostrel {

enum class TableStandard : unsigned char {
    mpeg,    // ISO/IEC 13818-1
    dvb,     // ETSI EN 300 468
    scte35,  // ANSI/SCTE 35
};

struct TableKind {
    unsigned first_table_id, last_table_id;
    unsigned pid;  // the PID the standard gives the table; no_pid: the one a PAT or PMT names
    TableStandard standard;
    void (*decode)(const Table& table);
};

// The kind of `table_id`; null for one the registry does not hold.
const TableKind* table_kind(unsigned table_id);

// Whether `table_id` belongs on `pid` as its standard gives it (PAT, CAT,
// NIT, SDT/BAT, EIT, RST, TDT/TOT).
bool own_table(unsigned pid, unsigned table_id);

}  // namespace ostrel
