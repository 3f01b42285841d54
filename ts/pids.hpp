// The PIDs and table_ids that the standards fix (ISO/IEC 13818-1 Table 2-3
// and 2-31, EN 300 468 5.1.3), and the sentinel for "no PID".
#pragma once

namespace ostrel {

inline constexpr unsigned pid_count = 8192;  // 13 bits
inline constexpr unsigned pid_pat = 0x0000;
inline constexpr unsigned pid_cat = 0x0001;
inline constexpr unsigned pid_nit = 0x0010;
inline constexpr unsigned pid_sdt = 0x0011;  // SDT, BAT
inline constexpr unsigned pid_eit = 0x0012;
inline constexpr unsigned pid_rst = 0x0013;
inline constexpr unsigned pid_tdt = 0x0014;  // TDT, TOT
inline constexpr unsigned pid_null = 0x1FFF;
inline constexpr unsigned last_psi_pid = 0x001F;  // PIDs 0000-001F: the tables of 13818-1 and EN 300 468
inline constexpr unsigned no_pid = 0xFFFF;  // a PID not known, or none chosen

inline constexpr unsigned table_id_pat = 0x00;
inline constexpr unsigned table_id_cat = 0x01;
inline constexpr unsigned table_id_pmt = 0x02;

}  // namespace ostrel
