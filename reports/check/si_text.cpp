#include <cstdio>

#include "reports/check/check_output.hpp"

namespace ostrel {
namespace {

const char* table_of(FindingKind kind)
{
    switch (kind) {
    case FindingKind::nit_actual_absent: case FindingKind::nit_actual_close: return "NIT actual";
    case FindingKind::nit_other_absent: return "NIT other";
    case FindingKind::sdt_actual_absent: case FindingKind::sdt_actual_close: return "SDT actual";
    case FindingKind::sdt_other_absent: return "SDT other";
    case FindingKind::eit_actual_close: return "EIT present/following actual";
    case FindingKind::eit_other_absent: return "EIT present/following other";
    case FindingKind::rst_close: return "RST";
    case FindingKind::tdt_absent: case FindingKind::tdt_close: return "TDT";
    default: return "";
    }
}

const char* pid_of(FindingKind kind)
{
    switch (kind) {
    case FindingKind::nit_table_id: return "NIT";
    case FindingKind::sdt_table_id: return "SDT/BAT";
    case FindingKind::eit_table_id: return "EIT";
    case FindingKind::rst_table_id: return "RST";
    default: return "TDT/TOT";
    }
}

}  // namespace

std::string si_finding_detail(const Finding& f)
{
    char text[192];
    const double ms = f.seen * 1e3;
    switch (f.kind) {
    case FindingKind::nit_actual_absent:
    case FindingKind::nit_other_absent:
    case FindingKind::sdt_actual_absent:
    case FindingKind::sdt_other_absent:
    case FindingKind::eit_other_absent:
    case FindingKind::tdt_absent:
        std::snprintf(text, sizeof text, "no %s section for %.3f s, limit %.0f s", table_of(f.kind), f.seen, f.expected);
        break;
    case FindingKind::eit_actual_absent:
        std::snprintf(text, sizeof text, "no section %u of an EIT present/following actual for %.3f s, limit %.0f s",
                      f.extra, f.seen, f.expected);
        break;
    case FindingKind::nit_actual_close:
    case FindingKind::sdt_actual_close:
    case FindingKind::eit_actual_close:
    case FindingKind::rst_close:
    case FindingKind::tdt_close:
        std::snprintf(text, sizeof text, "two %s sections %.3f ms apart, at least %.0f ms", table_of(f.kind), ms,
                      f.expected * 1e3);
        break;
    case FindingKind::nit_table_id:
    case FindingKind::sdt_table_id:
    case FindingKind::eit_table_id:
    case FindingKind::rst_table_id:
    case FindingKind::tdt_table_id:
        std::snprintf(text, sizeof text, "table_id 0x%02X on the %s PID", static_cast<unsigned>(f.seen), pid_of(f.kind));
        break;
    case FindingKind::si_too_often:
        std::snprintf(text, sizeof text, "table_id 0x%02X repeated after %.3f ms, at least %.0f ms", f.extra, ms,
                      f.expected * 1e3);
        break;
    case FindingKind::si_too_seldom:
        std::snprintf(text, sizeof text, "table_id 0x%02X repeated after %.3f s, at most %.0f s", f.extra, f.seen,
                      f.expected);
        break;
    case FindingKind::unreferenced:
        std::snprintf(text, sizeof text, "PID carries packets for %.3f s and no PMT names it, limit %.1f s", f.seen,
                      f.expected);
        break;
    case FindingKind::eit_pf_missing:
        std::snprintf(text, sizeof text, "EIT present/following actual of service %u without section %u",
                      static_cast<unsigned>(f.seen), f.extra);
        break;
    default:
        return "";
    }
    return text;
}

}  // namespace ostrel
