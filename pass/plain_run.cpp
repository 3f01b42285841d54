#include "pass/packet_path.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

// Null packets without error and not scrambled: counted, no more.
std::size_t null_run(PidState& s, const unsigned char* ts, std::size_t count, unsigned size)
{
    if (s.packets == 0)
        return 0;  // the first one marks the PID as used
    constexpr std::uint32_t mask = 0xFF9FFFC0;  // sync byte, error, PID, scrambling
    constexpr std::uint32_t want = 0x471FFF00;
    std::size_t n = 0;
    for (const unsigned char* p = ts; n < count && (be32_at(p) & mask) == want; p += size)
        ++n;
    s.packets += n;
    return n;
}

}  // namespace

std::size_t analyze_plain_run(Analysis& a, const unsigned char* ts, std::size_t count, unsigned size,
                              std::uint64_t number, std::uint64_t offset)
{
    if (count == 0 || ts[0] != sync_byte_value)
        return 0;
    const unsigned pid = packet_pid(ts);
    PidState& s = a.pids[pid];
    if (pid == pid_null)
        return null_run(s, ts, count, size);
    // As the plain packet test: the counter state holds, a plain next packet is
    // possible, and for a stream the stretch already lists it.
    const bool stream = (s.role & role_stream) != 0;
    if (s.cc_epoch != a.cc_epoch || s.next_plain_byte3 > 0xFF || (stream && !s.seen.listed))
        return 0;
    // Sync byte, PID, no transport error, for a stream no unit start; byte 3 as expected.
    const std::uint32_t mask = 0xFF00FF00 | (0x9Fu | s.start_mask) << 16 | 0xFF;
    const std::uint32_t fixed = 0x47000000 | pid << 8;
    unsigned b3 = s.next_plain_byte3;
    unsigned starts = 0;
    std::size_t n = 0;
    for (const unsigned char* p = ts; n < count; ++n, p += size) {
        const std::uint32_t h = be32_at(p);
        if ((h & mask) != (fixed | b3))
            break;
        starts += (h >> 22) & 1;
        b3 = 0x10 | ((b3 + 1) & 0x0F);
    }
    if (n == 0)
        return 0;
    take_plain_packets(a, s, pid, ts + (n - 1) * size, n, starts);
    if (stream) {
        // The gaps: from the packet before the run to its first (at least one
        // packet), then one packet each, never longer.
        stream_seen(a, s, Packet{ts, ts, size, number, offset}, pid);
        s.seen.offset = offset + (n - 1) * size;
    }
    return n;
}

}  // namespace ostrel
