// What a cut holds while it runs (--write:): the options, the target, the
// packets kept in a run of the read window, the program's PIDs, the state of
// the rewritten PAT and of the --es: stream, and the packets that wait for
// their time.
#pragma once

#include <bitset>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "pass/analysis.hpp"
#include "pass/pass.hpp"
#include "psi/model/pat.hpp"
#include "reports/cut/cut_report.hpp"

namespace ostrel {

// A packet of a window in seconds waits, copied, for the PCR after it: its
// time is the one every report gives it, between the PCRs around it. At most
// max_held wait (the packets of one PCR interval); past them the oldest is
// decided at the clock's time as it stands.
struct HeldPacket {
    unsigned char ts[packet_size];
    std::uint64_t number, offset;
    bool was_rai_seen;
};
inline constexpr unsigned max_held = 16384;

struct CutState final : PassHook, PassListener {
    CutState(const CutOptions& options, std::FILE* file) : o(options), out(file) {}
    bool packet(const Packet& packet) override;
    void window_moves() override;
    void stretch(const Analysis& analysis, const Stretch& ended) override;
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
    bool by_time = false;                 // --from: or --to: in seconds: packets wait for their time
    bool past = false;                    // past the window: the rest is not read
    std::unique_ptr<HeldPacket[]> held;
    unsigned held_count = 0;
};

// The writes of a cut (reports/cut/cut_writers.cpp).
void put(CutState& c, const unsigned char* bytes, std::size_t n);
void flush_run(CutState& c);  // the packets kept so far, in one write
void keep_packet(CutState& c, const unsigned char* ts);
const Program* the_program(const Analysis& a, unsigned number);
void put_pat(CutState& c, const Packet& packet);  // the PAT of the program alone
void put_es(CutState& c, const Packet& packet);   // the --es: PID's PES payload bytes

}  // namespace ostrel
