#include "psi/table_registry.hpp"

#include "ts/pids.hpp"

namespace ostrel {
namespace {

constexpr TableKind kinds[] = {
    {0x00, 0x00, pid_pat, TableStandard::mpeg, decode_pat_table},
    {0x01, 0x01, pid_cat, TableStandard::mpeg, decode_cat_table},
    {0x02, 0x02, no_pid, TableStandard::mpeg, decode_pmt_table},
    {0x40, 0x41, pid_nit, TableStandard::dvb, decode_network_table},  // NIT actual, other
    {0x42, 0x42, pid_sdt, TableStandard::dvb, decode_sdt_table},      // SDT actual
    {0x46, 0x46, pid_sdt, TableStandard::dvb, decode_sdt_table},      // SDT other
    {0x4A, 0x4A, pid_sdt, TableStandard::dvb, decode_network_table},  // BAT
    {0x4E, 0x6F, pid_eit, TableStandard::dvb, decode_eit_table},      // EIT p/f and schedule
    {0x70, 0x70, pid_tdt, TableStandard::dvb, decode_time_table},     // TDT
    {0x71, 0x71, pid_rst, TableStandard::dvb, decode_rst_table},
    {0x73, 0x73, pid_tdt, TableStandard::dvb, decode_time_table},     // TOT
    {0xFC, 0xFC, no_pid, TableStandard::scte35, decode_splice_table},
};

}  // namespace

const TableKind* table_kind(unsigned table_id)
{
    for (const TableKind& k : kinds) {
        if (table_id >= k.first_table_id && table_id <= k.last_table_id)
            return &k;
    }
    return nullptr;
}

bool own_table(unsigned pid, unsigned table_id)
{
    const TableKind* k = table_kind(table_id);
    return k != nullptr && k->pid != no_pid && k->pid == pid;
}

}  // namespace ostrel
