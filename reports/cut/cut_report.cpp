// The cut: which packets a selection and a window keep, and when they are
// decided (at once, or by a window in seconds when their time is known).
#include "reports/cut/cut_report.hpp"

#include <cstring>
#include <memory>
#include <new>

#include "pass/facts.hpp"
#include "pass/timeline.hpp"
#include "reports/cut/cut_state.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

void update_program_pids(CutState& c, const Program& p)
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

bool selected(CutState& c, unsigned pid)
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

// -1 before the window, 0 inside, 1 past it: packet `number`, at `t` seconds when `timed`.
int in_window(const CutOptions& o, std::uint64_t number, bool timed, double t)
{
    const auto position = [&](const CutBound& b) { return b.seconds ? t : static_cast<double>(number); };
    if (o.from.set && ((o.from.seconds && !timed) || position(o.from) < o.from.value))
        return -1;
    if (o.to.set && (!o.to.seconds || timed) && position(o.to) > o.to.value)
        return 1;
    return 0;
}


// A packet in the window (or not), its time decided: written as the options say.
void take_packet(CutState& c, const Packet& packet, int where, bool was_rai_seen, bool copied)
{
    if (where > 0) {
        c.past = true;
        return;
    }
    const HeaderView h{packet.ts};
    const unsigned pid = h.pid();
    if (where < 0 || (!copied && !selected(c, pid)))  // a copy was selected when it came
        return;
    if (c.o.from.set && c.o.from.seconds && !c.started[pid]) {
        // A cut by time starts each PID at a unit start (a random access point where the PID has them).
        if (!h.unit_start() || (was_rai_seen && !h.random_access() && (c.a->pids[pid].role & role_stream)))
            return;
        c.started[pid] = true;
    }
    if (c.o.es || (c.o.program && pid == 0x0000) || copied)
        flush_run(c);
    if (c.o.es)
        put_es(c, packet);
    else if (c.o.program && pid == 0x0000)
        put_pat(c, packet);
    else if (copied) {
        put(c, packet.ts, packet_size);
        ++c.written;
    } else
        keep_packet(c, packet.ts);
}

void decide_held(CutState& c, unsigned count, bool timed, const Stretch* ended)
{
    for (unsigned i = 0; i < count && !c.past; ++i) {
        const HeldPacket& p = c.held[i];
        double t = 0;
        const bool known = timed && ended != nullptr ? (t = stretch_time_at(*c.a, *ended, p.offset) - c.a->origin, true)
                                                     : time_known_now(*c.a, p.offset, t);
        const Packet packet{p.ts, nullptr, packet_size, p.number, p.offset};
        take_packet(c, packet, in_window(c.o, p.number, known && timed, t), p.was_rai_seen, true);
    }
    std::move(c.held.get() + count, c.held.get() + c.held_count, c.held.get());
    c.held_count -= count;
}

}  // namespace

void CutState::window_moves() { flush_run(*this); }

void CutState::stretch(const Analysis&, const Stretch& ended) { decide_held(*this, held_count, true, &ended); }

bool CutState::packet(const Packet& packet)
{
    CutState& c = *this;
    const HeaderView h{packet.ts};
    const unsigned pid = h.pid();
    const bool was_rai_seen = c.rai_seen[pid];
    c.rai_seen[pid] = c.rai_seen[pid] || h.random_access();
    if (c.past)
        return false;
    if (!c.by_time) {
        take_packet(c, packet, in_window(c.o, packet.number, false, 0), was_rai_seen, false);
        return !c.failed && !c.past;
    }
    if (!selected(c, pid))
        return true;
    if (c.held_count == max_held)
        decide_held(c, 1, true, nullptr);
    HeldPacket& held = c.held[c.held_count++];
    std::memcpy(held.ts, packet.ts, packet_size);
    held.number = packet.number;
    held.offset = packet.offset;
    held.was_rai_seen = was_rai_seen;
    return !c.failed && !c.past;
}

CutResult write_cut(const PacketInput& in, const CutOptions& options, std::FILE* out, std::FILE* err)
{
    const std::unique_ptr<CutState> cut(new CutState(options, out));
    for (const std::uint16_t pid : options.pids)
        cut->listed.set(pid & 0x1FFF);
    cut->by_time = (options.from.set && options.from.seconds) || (options.to.set && options.to.seconds);
    if (cut->by_time)
        cut->held.reset(new (std::nothrow) HeldPacket[max_held]);
    Analysis* const a = cut->by_time && cut->held == nullptr ? nullptr : new_analysis(cut.get());
    if (a == nullptr)
        return CutResult{ReportEnd::out_of_memory, false, 0, 0};
    cut->a = a;
    const ScanEnd end = run_pass(in, *a, err, cut.get());
    if (cut->by_time)
        decide_held(*cut, cut->held_count, false, nullptr);  // no PCR after them: no time
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
