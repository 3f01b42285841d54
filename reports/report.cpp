#include "reports/report.hpp"

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
    put_end_message(end, run.name, run.err);
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
    const bool ok = result.end == ReportEnd::done && !result.write_failed;
    const bool closed = close_target(target, ok);
    put_end_message(result.end, run.name, run.err);
    if (result.end == ReportEnd::done && (result.write_failed || !closed))
        std::fprintf(run.err, "Write failed on output file : %s\n", path.c_str());
    return ok && closed ? exit_ok : exit_failed;
}

bool live_input(const ReportRun& run) { return run.flow != nullptr && run.flow->stream->live; }

void put_end_message(ReportEnd end, const char* name, std::FILE* err)
{
    switch (end) {
    case ReportEnd::done:
    case ReportEnd::not_found:  // silent: nothing on the PID
    case ReportEnd::findings:   // the findings were the report
        break;
    case ReportEnd::bad_sync:
        std::fputs("Invalid sync_byte\n", err);
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
