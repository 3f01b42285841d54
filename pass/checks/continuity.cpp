#include <cstring>

#include "pass/checks/packet_checks.hpp"
#include "pass/packet_path.hpp"
#include "pass/network/flow_figures.hpp"

namespace ostrel {
namespace {

// The packets are the same but perhaps for the PCR, which a repeated packet may update.
bool same_packet(const unsigned char* a, const unsigned char* b)
{
    if (!has_pcr(a))
        return std::memcmp(a, b, packet_size) == 0;
    return std::memcmp(a, b, 6) == 0 && std::memcmp(a + 12, b + 12, packet_size - 12) == 0;
}

// A PID that no map table names yet, under the priority 3 checks: each of its
// packets goes the full way, which notes its last offset (Unreferenced_PID).
bool watched(const Analysis& a, const PidState& s, unsigned pid)
{
    return a.check_priority >= 3 && pid >= 0x0020 && (s.role & (role_stream | role_pmt | role_pcr | role_ca)) == 0;
}

void keep(Analysis& a, PidState& s, const unsigned char* p, unsigned pid, unsigned counter)
{
    s.cc = static_cast<unsigned char>(counter);
    s.next_plain_byte3 = s.slot != 0 || probing(a, pid) || watched(a, s, pid) ? no_plain_packet : plain_byte3_after(counter);
    s.times_seen = 1;
    keep_payload_packet(a, s, p, pid);
}

}  // namespace

Continuity check_continuity(Analysis& a, PidState& s, const Packet& packet, unsigned pid, bool has_payload,
                            bool discontinuity)
{
    // Packets without a payload do not move the counter.
    if (!has_payload)
        return Continuity::follows;
    const unsigned char* const p = packet.ts;
    const unsigned counter = HeaderView{p}.counter();
    // The first packet of the PID, the first after a lost sync, or a signalled
    // discontinuity: any value, and it sets what follows.
    if (s.cc_epoch != a.cc_epoch || discontinuity) {
        const bool first = s.cc_epoch != a.cc_epoch;
        s.cc_epoch = a.cc_epoch;
        keep(a, s, p, pid, counter);
        return first ? Continuity::follows : Continuity::broken;
    }
    const unsigned expected = (s.cc + 1) & 0x0F;
    if (counter == expected) {
        keep(a, s, p, pid, counter);
        return Continuity::follows;
    }
    if (counter == s.cc && same_packet(p, s.last_payload)) {
        if (s.times_seen == 1) {
            s.times_seen = 2;
            return Continuity::duplicate;  // one repetition is allowed
        }
        ++s.cc_errors;
        report_finding(a, packet, pid, FindingKind::cc_third_copy, counter, expected);
        return Continuity::duplicate;
    }
    ++s.cc_errors;
    ++a.losses;
    report_finding(a, packet, pid, counter == s.cc ? FindingKind::cc_repeat : FindingKind::cc_gap, counter, expected);
    if (a.figures != nullptr && counter != s.cc)
        figures_add_loss(*a.figures, a.arrival.now, (counter - expected) & 0x0F);
    keep(a, s, p, pid, counter);
    return Continuity::broken;
}

}  // namespace ostrel
