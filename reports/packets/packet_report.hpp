// The packet report: every packet, or those of one PID, field by field with
// the adaptation field and payload as hex dumps.
#pragma once

#include <cstddef>
#include <cstdio>

#include "output/output.hpp"
#include "sources/packet_scan.hpp"
#include "ts/report_end.hpp"
#include "reports/report.hpp"
#include "ts/pids.hpp"

namespace ostrel {

inline constexpr unsigned every_pid = no_pid;

// The most bytes one packet's block of lines takes, prompt or separator included.
inline constexpr std::size_t max_block_size = 16384;

// Writes the lines of one packet, from the sync byte line to the payload dump;
// with `decode`, the adaptation field and PES header decoded after their dumps.
// With the packet's `arrival` (a network source), its capture frame and time after the sync byte line.
char* put_packet_block(char* w, const Packet& packet, bool decode = false, const ArrivalRecord* arrival = nullptr);

// Writes the payload hex lines, then the PES start found in them, if any.
char* dump_payload(char* w, const unsigned char* data, std::size_t length,
                   unsigned payload_unit_start_indicator, unsigned PID, bool decode = false);

// Runs the report over the whole input. In step mode it pauses after each
// packet until a newline (or the end) is read from `keys`.
ReportEnd report_packets(const PacketInput& in, SyncLog& log, unsigned pid_filter, bool step_mode, bool decode,
                         std::FILE* keys);

// The packet report, the default.
struct PacketsReport final : TextReport {
    PacketsReport(unsigned only_pid, bool step, bool decode_fields)
        : pid_filter(only_pid), step_mode(step), decode(decode_fields)
    {
    }
    unsigned pid_filter;
    bool step_mode, decode;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override
    {
        return report_packets(run.in, log, pid_filter, step_mode, decode, run.keys);
    }
};

}  // namespace ostrel
