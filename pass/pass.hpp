// The pass: the packet loop over the input, every packet and every gap in
// the sync into the analysis, a report's hook after each packet.
#pragma once

#include <cstdio>

#include "pass/analysis.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

// A report's look at each packet once the analysis has taken it (false
// stops the pass), and word that the read window is about to move (packets
// kept by pointer go stale).
struct PassHook {
    virtual bool packet(const Packet& packet) = 0;
    virtual void window_moves() = 0;

protected:
    ~PassHook() = default;
};

// What looks at the analysis while the pass runs (the figures --metrics
// publishes): told when the pass begins, between packets each time the read
// window moves (every block of a file, every datagram of a live stream),
// and when it ends. Each call is in the pass's own thread.
struct PassTap {
    virtual void begin(const Analysis& a) = 0;
    virtual void moves(const Analysis& a) = 0;
    virtual void end(const Analysis& a) = 0;

protected:
    ~PassTap() = default;
};

// How the pass ended for a report: done, or the failure to tell (a read
// error, no packet found, or a file shorter than one packet).
ReportEnd pass_end(ScanEnd end, const Analysis& a);

// Reads the whole input into `a`; `err` gets the progress line when it is a terminal.
ScanEnd run_pass(const PacketInput& in, Analysis& a, std::FILE* err, PassHook* hook = nullptr);

// The same over a capture's flow whose figures a report shows (null: none):
// the pass adds the flow's losses to them and gives them its clock, which
// times the flow's rate.
ScanEnd run_flow_pass(const PacketInput& in, Analysis& a, std::FILE* err, FlowFigures* figures);

}  // namespace ostrel
