// The TR 101 290 priority 3 indicators (5.2.3): the NIT, SDT, EIT, RST and
// TDT/TOT sections, how often they come, on which PIDs, and the PIDs no PMT
// names. Intervals are timed by the time model as the others are.
#include "pass/checks/packet_checks.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

constexpr double least_interval = 0.025;  // s: two sections of a table at the least this far apart
constexpr double unreferenced_limit = 0.5;

struct Family {
    unsigned table_id;
    FindingKind absent;
    double limit;  // s
};

// The most a table may stay away (TR 101 211 4.4), for SI_repetition_error.
double most_interval(unsigned table_id)
{
    switch (table_id) {
    case 0x42: case 0x4E: return 2;
    case 0x70: case 0x73: return 30;
    default:
        // EIT schedule: 10 s for the first eight days (the first two table_ids), 30 s beyond
        if ((table_id >= 0x52 && table_id <= 0x5F) || (table_id >= 0x62 && table_id <= 0x6F))
            return 30;
        return 10;
    }
}

bool is_si_table(unsigned table_id)
{
    return (table_id >= 0x40 && table_id <= 0x42) || table_id == 0x46 || table_id == 0x4A ||
           (table_id >= 0x4E && table_id <= 0x6F) || table_id == 0x70 || table_id == 0x73;
}

bool allowed_on(unsigned pid, unsigned table_id, FindingKind& kind)
{
    switch (pid) {
    case 0x0010: kind = FindingKind::nit_table_id; return table_id == 0x40 || table_id == 0x41 || table_id == 0x72;
    case 0x0011:
        kind = FindingKind::sdt_table_id;
        return table_id == 0x42 || table_id == 0x46 || table_id == 0x4A || table_id == 0x72;
    case 0x0012:
        kind = FindingKind::eit_table_id;
        return (table_id >= 0x4E && table_id <= 0x6F) || table_id == 0x72;
    case 0x0013: kind = FindingKind::rst_table_id; return table_id == 0x71 || table_id == 0x72;
    case 0x0014:
        kind = FindingKind::tdt_table_id;
        return table_id == 0x70 || table_id == 0x72 || table_id == 0x73;
    default: return true;
    }
}

FindingKind close_kind(unsigned table_id, bool& checked)
{
    checked = true;
    switch (table_id) {
    case 0x40: return FindingKind::nit_actual_close;
    case 0x42: return FindingKind::sdt_actual_close;
    case 0x4E: return FindingKind::eit_actual_close;
    case 0x71: return FindingKind::rst_close;
    case 0x70: return FindingKind::tdt_close;
    default: checked = false; return FindingKind::si_too_often;
    }
}

void start(Analysis& a, std::uint64_t offset)
{
    SiTimes& t = a.si;
    t.started = true;
    for (EventTime* e : {&t.nit_actual, &t.sdt_actual, &t.eit_actual[0], &t.eit_actual[1], &t.tdt})
        note_event(a, *e, offset);
}

// The family's absence since it last came (or since the SI started), then now.
void absence(Analysis& a, const Packet& packet, unsigned pid, EventTime& last, FindingKind kind, double limit,
             unsigned extra, bool* seen = nullptr)
{
    if (seen == nullptr || *seen)
        queue_check(a, Finding{packet.number, packet.offset, pid, kind, 0, limit, extra}, last);
    if (seen != nullptr)
        *seen = true;
    note_event(a, last, packet.offset);
}

void families(Analysis& a, unsigned pid, unsigned table_id, unsigned number, const Packet& packet)
{
    SiTimes& t = a.si;
    switch (table_id) {
    case 0x40: absence(a, packet, pid, t.nit_actual, FindingKind::nit_actual_absent, 10, table_id); break;
    case 0x41: absence(a, packet, pid, t.nit_other, FindingKind::nit_other_absent, 10, table_id, &t.nit_other_seen); break;
    case 0x42: absence(a, packet, pid, t.sdt_actual, FindingKind::sdt_actual_absent, 2, table_id); break;
    case 0x46: absence(a, packet, pid, t.sdt_other, FindingKind::sdt_other_absent, 10, table_id, &t.sdt_other_seen); break;
    case 0x4E:
        if (number <= 1)
            absence(a, packet, pid, t.eit_actual[number], FindingKind::eit_actual_absent, 2, number);
        break;
    case 0x4F: absence(a, packet, pid, t.eit_other, FindingKind::eit_other_absent, 10, table_id, &t.eit_other_seen); break;
    case 0x70: absence(a, packet, pid, t.tdt, FindingKind::tdt_absent, 30, table_id); break;
    default: break;
    }
}

}  // namespace

void check_si_section(Analysis& a, unsigned pid, const unsigned char* data, std::size_t size, const Packet& packet)
{
    if (pid < 0x0010 || pid > 0x0014 || size < 3)
        return;
    const unsigned table_id = data[0];
    FindingKind wrong;
    if (!allowed_on(pid, table_id, wrong)) {
        report_finding(a, packet, pid, wrong, table_id, 0);
        return;
    }
    const bool long_form = (data[1] & 0x80) != 0 && size >= 12;
    const unsigned extension = long_form ? (data[3] << 8 | data[4]) : 0;
    const unsigned number = long_form ? data[6] : 0;
    const bool dvb = (table_id >= 0x40 && table_id <= 0x42) || table_id == 0x46 || (table_id >= 0x4E && table_id <= 0x6F);
    if (dvb && !a.si.started)
        start(a, packet.offset);
    if (!a.si.started)
        return;
    families(a, pid, table_id, number, packet);
    // Two sections of one table (its section 0 and 1) too close, and how often the table comes.
    const int slot = a.demux->index_of(pid, table_id, extension);
    if (slot < 0 || number > 1)
        return;
    EventTime& last = a.section_times[slot][number];
    if (last.listed || last.timed) {
        bool close_checked;
        const FindingKind close = close_kind(table_id, close_checked);
        const Finding at{packet.number, packet.offset, pid, close, 0, least_interval, table_id};
        if (close_checked)
            queue_check(a, at, last);
        if (number == 0 && is_si_table(table_id)) {
            Finding often = at, seldom = at;
            often.kind = FindingKind::si_too_often;
            seldom.kind = FindingKind::si_too_seldom;
            seldom.expected = most_interval(table_id);
            queue_check(a, often, last);
            queue_check(a, seldom, last);
        }
    }
    note_event(a, last, packet.offset);
}

void end_si_checks(Analysis& a)
{
    if (!a.si.started)
        return;
    // An EIT present/following actual with one of its two sections only.
    for (const TableStats& t : a.demux->stats()) {
        const unsigned seen = static_cast<unsigned>(t.sections_seen & 3);
        if (t.table_id == 0x4E && t.pid == 0x0012 && (seen == 1 || seen == 2))
            report_finding(a, t.section_packet, t.section_offset, t.pid, FindingKind::eit_pf_missing, t.extension, 0,
                           seen == 1 ? 1 : 0);
    }
    // PIDs that no PMT or CA_descriptor names, carrying packets for more than 0.5 s (at the mean rate).
    const double seconds_per_byte = clock_mean_seconds_per_byte(a.clock);
    for_each_used_pid(a, [&](unsigned pid, const PidState& s) {
        if (pid < 0x0020 || pid == pid_null || (s.role & (role_stream | role_pmt | role_pcr | role_ca)) != 0 ||
            seconds_per_byte <= 0)
            return;
        const PidSpan& span = a.spans[pid];
        const double seconds = static_cast<double>(span.last_offset - span.first_offset) * seconds_per_byte;
        if (seconds > unreferenced_limit)
            report_finding(a, span.first_packet, span.first_offset, pid, FindingKind::unreferenced, seconds,
                           unreferenced_limit);
    });
}

}  // namespace ostrel
