#include "analysis/facts.hpp"

#include <cstdio>

#include "texts/description_texts.hpp"

namespace ostrel {
namespace {

constexpr unsigned language_descriptor = 0x0A;  // ISO_639_language_descriptor

unsigned bits10(const unsigned char* b) { return (b[0] & 0x03u) << 8 | b[1]; }

// The first language code among the ES_info descriptors, printable ASCII only.
void find_language(const unsigned char* d, std::size_t length, char* language)
{
    language[0] = 0;
    for (std::size_t i = 0; i + 2 <= length; i += 2 + d[i + 1]) {
        if (d[i] != language_descriptor || d[i + 1] < 3 || i + 5 > length)
            continue;
        for (int k = 0; k < 3; ++k) {
            const unsigned char c = d[i + 2 + k];
            language[k] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
        }
        language[3] = 0;
        return;
    }
}

}  // namespace

Duration capture_duration(const Analysis& a)
{
    unsigned pid = a.clock.pid;
    for (unsigned i = 0; i < a.program_count; ++i) {
        const Program& program = a.programs[i];
        if (program.has_pmt && a.pids[pcr_pid(program)].pcrs > 0) {
            pid = pcr_pid(program);
            break;
        }
    }
    if (pid >= pid_count || a.pids[pid].pcr_ticks == 0)
        return Duration{false, 0, 0, pid};
    const PidState& s = a.pids[pid];
    const double seconds = static_cast<double>(s.pcr_ticks) / pcr_hz;
    const double bytes = static_cast<double>(s.last_pcr_packet - s.first_pcr_packet) * packet_size;
    return Duration{true, seconds, bytes * 8 / seconds, pid};
}

PidTotals pid_totals(const Analysis& a)
{
    PidTotals t{0, 0, 0};
    for (const PidState& s : a.pids) {
        t.cc_errors += s.cc_errors;
        t.transport_errors += s.transport_errors;
        t.scrambled += s.scrambled;
    }
    return t;
}

unsigned pcr_pid(const Program& program) { return program.pmt_length >= 10 ? pid_field(program.pmt + 8) : 0x1FFF; }

unsigned program_streams(const Program& program, StreamEntry* streams, unsigned capacity)
{
    const unsigned char* const s = program.pmt;
    const std::size_t end = program.pmt_length >= 16 ? program.pmt_length - 4 : 0;  // before the CRC_32
    unsigned n = 0;
    std::size_t e = end > 0 ? 12 + bits10(s + 10) : 0;
    while (e + 5 <= end && n < capacity) {
        const std::size_t info = bits10(s + e + 3);
        StreamEntry& entry = streams[n++];
        entry.pid = pid_field(s + e + 1);
        entry.stream_type = s[e];
        find_language(s + e + 5, e + 5 + info <= end ? info : end - (e + 5), entry.language);
        e += 5 + info;
    }
    return n;
}

std::string pid_carries(const Analysis& a, unsigned pid, unsigned& program_number)
{
    program_number = 0;
    if (pid == 0x0000)
        return "PAT";
    if (pid == 0x1FFF)
        return "Null packets";
    const PidState& s = a.pids[pid];
    if (s.role & role_pmt) {
        program_number = a.programs[s.program].program_number;
        return "PMT of program " + std::to_string(program_number);
    }
    if (s.role & role_stream) {
        const Program& program = a.programs[s.program];
        program_number = program.program_number;
        StreamEntry streams[max_streams];
        const unsigned n = program_streams(program, streams, max_streams);
        for (unsigned i = 0; i < n; ++i) {
            if (streams[i].pid == pid)
                return std::string(stream_type_text(streams[i].stream_type));
        }
    }
    return std::string(pid_text(pid));
}

void out_format(Output& out, const char* format, ...)
{
    constexpr std::size_t piece = 1024;
    char* const w = out_space(out, piece);
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(w, piece, format, args);
    va_end(args);
    if (n > 0)
        out_commit(out, w + (static_cast<std::size_t>(n) < piece ? static_cast<std::size_t>(n) : piece - 1));
}

}  // namespace ostrel
