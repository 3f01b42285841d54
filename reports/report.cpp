#include "reports/report.hpp"

#include <unistd.h>

#include <cstring>

#include "output/write_target.hpp"
#include "pass/network/flow_figures.hpp"
#include "ts/utf8.hpp"

namespace ostrel {

int TextReport::run(const ReportRun& run)
{
    Output out{run.out_stream, run.text, run.text_capacity, 0, false};
    SyncLog log{out, run.err};
    const ReportEnd end = write(run, log);
    // Standard output first, so that a message follows what was printed before it.
    const bool written = out_flush(out);
    if (!written)
        std::fputs("Write failed on standard output\n", run.err);
    put_end_message(end, run);
    return written && end == ReportEnd::done && !log.lost ? exit_ok : exit_failed;
}

int run_into_target(const ReportRun& run, const std::string& path,
                    const std::function<TargetWrite(std::FILE* target)>& write)
{
    WriteTarget target;
    std::string error;
    if (!open_target(path, run.in.file, target, error)) {
        std::fprintf(run.err, "%s\n", error.c_str());
        return exit_failed;
    }
    const TargetWrite result = write(target.file);
    const bool cut_short = run.in.source != nullptr && run.in.source->cut_short();
    const bool ok = result.end == ReportEnd::done && !result.write_failed && !cut_short;
    const bool closed = close_target(target, ok);
    put_end_message(result.end, run);
    if (result.end == ReportEnd::done && (result.write_failed || !closed)) {
        std::fprintf(run.err, "Write failed on output file : %s\n", path.c_str());
        if (target.failure != 0)
            std::fprintf(run.err, "ostrel: %s\n", std::strerror(target.failure));
    }
    return ok && closed ? exit_ok : exit_failed;
}

bool live_input(const ReportRun& run) { return (run.flow != nullptr && run.flow->stream->live) || run.live_playlist; }

namespace {

// The size of the packets the file starts with, where they are not the
// plain 188 bytes from byte 0: 192 (a 4-byte time code first, as M2TS
// stores them) or 204 (16 bytes of parity after each); 0 when neither fits
// or the head cannot be read again (a pipe, a network source).
unsigned head_packet_size(const PacketInput& in)
{
    if (in.source != nullptr || in.file == nullptr)
        return 0;
    const int fd = fileno(in.file);
    unsigned char head[3 * 204];
    if (fd < 0 || pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
        return 0;
    if (head[4] == 0x47 && head[196] == 0x47 && head[388] == 0x47)
        return 192;
    if (head[0] == 0x47 && head[204] == 0x47 && head[408] == 0x47)
        return 204;
    return 0;
}

// After "Invalid sync_byte" of a plain read: how to read the file all the same.
void put_sync_hint(const ReportRun& run)
{
    if (run.in.resync)
        return;
    const unsigned size = head_packet_size(run.in);
    if (size != 0)
        std::fprintf(run.err, "ostrel: the file holds %u-byte packets; --resync reads them\n", size);
    else
        std::fputs("ostrel: --resync finds the packets again after bytes that are not packets\n", run.err);
}

}  // namespace

void put_end_message(ReportEnd end, const ReportRun& run)
{
    const char* const name = run.name;
    std::FILE* const err = run.err;
    switch (end) {
    case ReportEnd::done:
    case ReportEnd::not_found:  // silent: nothing on the PID
    case ReportEnd::findings:   // the findings were the report
    case ReportEnd::empty_cut:  // the cut said what it did not find
        break;
    case ReportEnd::bad_sync:
        std::fputs("Invalid sync_byte\n", err);
        put_sync_hint(run);
        break;
    case ReportEnd::read_error:
        std::fprintf(err, "Read failed on input file : %s\n", shown_name(name).c_str());
        break;
    case ReportEnd::invalid_pmt:
        std::fputs("Invalid PMT PID\n", err);
        break;
    case ReportEnd::section_past_packet:
        std::fputs("Section continues past this packet\n", err);
        break;
    case ReportEnd::no_packets:
        std::fputs("No packets found\n", err);
        break;
    case ReportEnd::out_of_memory:
        std::fputs("Out of memory\n", err);
        break;
    }
}

}  // namespace ostrel
