#include "reports/cut/cut_report.hpp"

#include <bitset>
#include <cstring>
#include <memory>

#include "pass/facts.hpp"
#include "pass/pass.hpp"
#include "psi/model/pat.hpp"
#include "ts/crc32.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

struct Cut final : PassHook {
    Cut(const CutOptions& options, std::FILE* file) : o(options), out(file) {}
    bool packet(const Packet& packet) override;
    void window_moves() override;
    const CutOptions& o;
    std::FILE* out;
    Analysis* a = nullptr;
    bool failed = false;
    std::uint64_t written = 0;
    std::bitset<pid_count> listed;        // --pids:
    std::bitset<pid_count> program_pids;  // the program's, for its map section's generation
    unsigned generation = ~0u;
    std::bitset<pid_count> started;       // a time window began for the PID at a unit start
    std::bitset<pid_count> rai_seen;      // the PID has carried a random_access_indicator
    unsigned pat_counter = 0;
    bool pat_pending = false;             // a PAT began before the program was known: written once it is
    PatSection pending_pat;
    const unsigned char* run = nullptr;   // packets kept, next to each other in the read window
    std::size_t run_bytes = 0;
    int es_counter = -1;                  // the --es: PID's last continuity_counter
    bool es_in_pes = false;
    std::uint64_t es_gaps = 0;
};

void put(Cut& c, const unsigned char* bytes, std::size_t n)
{
    if (!c.failed && std::fwrite(bytes, 1, n, c.out) != n)
        c.failed = true;
}

// The packets kept so far go out in one write.
void flush_run(Cut& c)
{
    if (c.run_bytes > 0)
        put(c, c.run, c.run_bytes);
    c.run = nullptr;
    c.run_bytes = 0;
}

void keep_packet(Cut& c, const unsigned char* ts)
{
    if (c.run != nullptr && ts == c.run + c.run_bytes) {
        c.run_bytes += packet_size;
    } else {
        flush_run(c);
        c.run = ts;
        c.run_bytes = packet_size;
    }
    ++c.written;
}

void Cut::window_moves() { flush_run(*this); }

const Program* the_program(const Analysis& a, unsigned number)
{
    for (unsigned i = 0; i < a.program_count; ++i)
        if (a.programs[i].program_number == number)
            return &a.programs[i];
    return nullptr;
}

void update_program_pids(Cut& c, const Program& p)
{
    if (p.pmt_generation == c.generation)
        return;
    c.generation = p.pmt_generation;
    c.program_pids.reset();
    c.program_pids.set(p.pmt_pid);
    if (!p.has_pmt)
        return;
    c.program_pids.set(pcr_pid(p) & 0x1FFF);
    StreamEntry streams[max_streams];
    const unsigned n = program_streams(p, streams, max_streams);
    for (unsigned i = 0; i < n; ++i)
        c.program_pids.set(streams[i].pid);
}

bool selected(Cut& c, unsigned pid)
{
    const CutOptions& o = c.o;
    if (o.es)
        return pid == o.es_pid;
    if (o.program) {
        const Program* p = the_program(*c.a, o.program_number);
        if (p != nullptr)
            update_program_pids(c, *p);
        if (p != nullptr && c.program_pids[pid])
            return true;
        return o.pids.empty() ? pid <= 0x001F : c.listed[pid];
    }
    return o.pids.empty() || c.listed[pid];
}

// -1 before the window, 0 inside, 1 past it.
int in_window(const Cut& c, const Packet& packet)
{
    const CutOptions& o = c.o;
    double t = 0;
    const bool timed = time_known_now(*c.a, packet.offset, t);
    const auto position = [&](const CutBound& b) { return b.seconds ? t : static_cast<double>(packet.number); };
    if (o.from.set && ((o.from.seconds && !timed) || position(o.from) < o.from.value))
        return -1;
    if (o.to.set && (!o.to.seconds || timed) && position(o.to) > o.to.value)
        return 1;
    return 0;
}

// The PAT listing the program alone, with the transport_stream_id and version of `pat`.
void put_program_pat(Cut& c, const PatSection& pat, const Program& program)
{
    unsigned char out[packet_size];
    std::memset(out, 0xFF, sizeof out);
    const unsigned char section[12] = {
        table_id_pat, 0xB0, 13,
        static_cast<unsigned char>(pat.transport_stream_id >> 8), static_cast<unsigned char>(pat.transport_stream_id),
        static_cast<unsigned char>(pat.reserved << 6 | pat.version_number << 1 | pat.current_next_indicator),
        0x00, 0x00,
        static_cast<unsigned char>(program.program_number >> 8), static_cast<unsigned char>(program.program_number),
        static_cast<unsigned char>(0xE0 | program.pmt_pid >> 8), static_cast<unsigned char>(program.pmt_pid)};
    out[0] = sync_byte_value;
    out[1] = 0x40;  // payload_unit_start_indicator, PID 0
    out[2] = 0x00;
    out[3] = static_cast<unsigned char>(0x10 | (c.pat_counter++ & 0x0F));
    out[4] = 0x00;  // pointer_field
    std::memcpy(out + 5, section, sizeof section);
    const std::uint32_t crc = crc32_update(crc32_initial, section, sizeof section);
    for (int i = 0; i < 4; ++i)
        out[5 + sizeof section + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
    put(c, out, sizeof out);
    ++c.written;
}

// In place of a PAT that starts in this packet, the PAT of the program alone.
// The first PAT of a stream may list the program only in its next packet:
// its header is held, and the PAT written when that packet has come.
void put_pat(Cut& c, const Packet& packet)
{
    const unsigned char* p = packet.ts;
    const Program* program = the_program(*c.a, c.o.program_number);
    const PacketHeader h = decode_header(p);
    if (!h.payload_unit_start_indicator) {
        if (c.pat_pending && program != nullptr)
            put_program_pat(c, c.pending_pat, *program);
        c.pat_pending = c.pat_pending && program == nullptr;
        return;
    }
    const std::size_t at = section_start(p, h);
    if (at + 8 > packet_size)
        return;  // no PAT header to take the transport_stream_id and version from
    PatSection pat;
    decode_pat_start(p + at, packet_size - at, pat);
    if (pat.table_id != table_id_pat)
        return;
    c.pat_pending = program == nullptr;
    if (program != nullptr)
        put_program_pat(c, pat, *program);
    else
        c.pending_pat = pat;
}

// The PES payload bytes of the --es: PID in this packet.
void put_es(Cut& c, const Packet& packet)
{
    const unsigned char* p = packet.ts;
    const HeaderView h{p};
    if (!h.has_payload())
        return;
    const unsigned counter = h.counter();
    const bool follows = c.es_counter < 0 || counter == ((static_cast<unsigned>(c.es_counter) + 1) & 0x0F);
    if (c.es_counter >= 0 && counter == static_cast<unsigned>(c.es_counter))
        return;  // a repeated packet
    c.es_counter = static_cast<int>(counter);
    std::size_t at = h.payload_at();
    if (at >= packet_size)
        return;
    if (h.unit_start()) {
        const unsigned char* q = p + at;
        if (packet_size - at < 9 || q[0] != 0 || q[1] != 0 || q[2] != 1) {
            c.es_in_pes = false;
            return;
        }
        at += 9u + q[8];
        c.es_in_pes = true;
        if (at > packet_size)
            return;
    } else if (!c.es_in_pes) {
        return;
    } else if (!follows) {
        ++c.es_gaps;  // a packet lost inside the PES packet: what follows is written all the same
    }
    put(c, p + at, packet_size - at);
    ++c.written;
}

bool Cut::packet(const Packet& packet)
{
    Cut& c = *this;
    const HeaderView h{packet.ts};
    const unsigned pid = h.pid();
    const bool rai = h.random_access();
    const bool was_rai_seen = c.rai_seen[pid];
    c.rai_seen[pid] = c.rai_seen[pid] || rai;
    const int where = in_window(c, packet);
    if (where > 0)
        return false;  // past the window: the rest is not read
    if (where < 0 || !selected(c, pid))
        return true;
    if (c.o.from.set && c.o.from.seconds && !c.started[pid]) {
        // A cut by time starts each PID at a unit start (a random access point where the PID has them).
        if (!h.unit_start() || (was_rai_seen && !rai && (c.a->pids[pid].role & role_stream)))
            return true;
        c.started[pid] = true;
    }
    if (c.o.es) {
        flush_run(c);
        put_es(c, packet);
        return !c.failed;
    }
    if (c.o.program && pid == 0x0000) {
        flush_run(c);
        put_pat(c, packet);
        return !c.failed;
    }
    keep_packet(c, packet.ts);
    return !c.failed;
}

}  // namespace

CutResult write_cut(const PacketInput& in, const CutOptions& options, std::FILE* out, std::FILE* err)
{
    const std::unique_ptr<Cut> cut(new Cut(options, out));
    for (const std::uint16_t pid : options.pids)
        cut->listed.set(pid & 0x1FFF);
    Analysis* const a = new_analysis(nullptr);
    if (a == nullptr)
        return CutResult{ReportEnd::out_of_memory, false, 0, 0};
    cut->a = a;
    const ScanEnd end = run_pass(in, *a, err, cut.get());
    flush_run(*cut);
    ReportEnd result = end == ScanEnd::stopped ? ReportEnd::done : pass_end(end, *a);
    if (result == ReportEnd::done && options.program && the_program(*a, options.program_number) == nullptr) {
        std::fprintf(err, "ostrel: no program %u in the stream; nothing written\n", options.program_number);
        result = ReportEnd::empty_cut;
    } else if (result == ReportEnd::done && cut->written == 0) {
        std::fputs("ostrel: no packet in the selection and window; nothing written\n", err);
        result = ReportEnd::empty_cut;
    }
    delete_analysis(a);
    return CutResult{result, cut->failed, cut->written, cut->es_gaps};
}

int CutReport::run(const ReportRun& run)
{
    std::uint64_t es_gaps = 0;
    const int status = run_into_target(run, path, [&](std::FILE* target) {
        const CutResult result = write_cut(run.in, options, target, run.err);
        es_gaps = result.es_gaps;
        return TargetWrite{result.end, result.write_failed};
    });
    if (options.es && es_gaps > 0)
        std::fprintf(run.err, "%llu packets lost inside PES packets of PID %04X: the stream written has gaps\n",
                     static_cast<unsigned long long>(es_gaps), options.es_pid);
    return status;
}

}  // namespace ostrel
