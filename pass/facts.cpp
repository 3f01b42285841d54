#include "pass/facts.hpp"

#include <cstdio>
#include <cstring>
#include <vector>

#include "pass/probe.hpp"
#include "ts/descriptor_loop.hpp"
#include "ts/reader.hpp"
#include "psi/section_bytes.hpp"
#include "ts/description_texts.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

constexpr unsigned language_descriptor = 0x0A;  // ISO_639_language_descriptor
// subtitling_descriptor, teletext_descriptor, VBI_teletext_descriptor (EN 300 468)
constexpr unsigned sparse_descriptors[] = {0x59, 0x56, 0x46};

// The first language code of an ISO_639_language_descriptor among the
// ES_info descriptors, and whether one marks a stream of subtitles or teletext.
StreamNotes scan_es_info(const unsigned char* info, std::size_t length)
{
    StreamNotes notes{{0, 0, 0, 0}, false};
    for_each_descriptor(info, length, [&](unsigned tag, const unsigned char* d, std::size_t n) {
        for (const unsigned sparse : sparse_descriptors)
            notes.sparse_pts |= tag == sparse;
        if (tag == language_descriptor && n >= 3 && notes.language[0] == 0)
            printable_ascii(d, 3, '?').copy(notes.language, 3);
    });
    return notes;
}

}  // namespace

Duration capture_duration(const Analysis& a)
{
    const Clock& c = a.clock;
    const double seconds = clock_span(c);
    if (!(seconds > 0))
        return Duration{false, 0, 0, c.pid};
    // The TS bytes between the first and the last PCR of the reference PID.
    const double bytes = static_cast<double>(c.last_offset - c.first_offset) * packet_size / a.packet_size;
    return Duration{true, seconds, bytes * 8 / seconds, c.pid};
}

PidTotals pid_totals(const Analysis& a)
{
    PidTotals t{0, 0, 0};
    for_each_used_pid(a, [&](unsigned, const PidState& s) {
        t.cc_errors += s.cc_errors;
        t.transport_errors += s.transport_errors;
        t.scrambled += s.scrambled;
    });
    return t;
}

void note_streams(Program& program)
{
    for (unsigned i = 0; i < program.pmt.count; ++i)
        program.notes[i] = scan_es_info(program.pmt.streams[i].es_info, program.pmt.streams[i].es_info_held);
}

unsigned program_streams(const Program& program, StreamEntry* streams, unsigned capacity)
{
    const PmtSection& pmt = program.pmt;
    const unsigned n = pmt_stream_count(pmt) < capacity ? pmt_stream_count(pmt) : capacity;
    for (unsigned i = 0; i < n; ++i) {
        const PmtStream& s = pmt.streams[i];
        StreamEntry& e = streams[i];
        e.pid = s.elementary_pid;
        e.stream_type = s.stream_type;
        std::memcpy(e.language, program.notes[i].language, sizeof e.language);
        e.sparse_pts = program.notes[i].sparse_pts;
        e.info = s.es_info;
        e.info_length = s.es_info_held;
    }
    return n;
}

namespace {

// ", program 1" or ", programs 1, 2, 5": the programs whose map section names
// the PID as a stream (or, for `as_pcr`, as their PCR_PID).
std::string programs_naming(const Analysis& a, unsigned pid, bool as_pcr, std::vector<unsigned>& numbers)
{
    for (unsigned i = 0; i < a.program_count; ++i) {
        const Program& program = a.programs[i];
        if (!program.has_pmt)
            continue;
        bool named = as_pcr && pcr_pid(program) == pid;
        StreamEntry streams[max_streams];
        const unsigned n = as_pcr ? 0 : program_streams(program, streams, max_streams);
        for (unsigned k = 0; k < n && !named; ++k)
            named = streams[k].pid == pid;
        if (named)
            numbers.push_back(program.program_number);
    }
    return program_list(numbers);
}

std::string stream_type_of(const Analysis& a, unsigned pid)
{
    for (unsigned i = 0; i < a.program_count; ++i) {
        StreamEntry streams[max_streams];
        const unsigned n = a.programs[i].has_pmt ? program_streams(a.programs[i], streams, max_streams) : 0;
        for (unsigned k = 0; k < n; ++k) {
            if (streams[k].pid == pid)
                return std::string(stream_type_name(streams[k].stream_type));
        }
    }
    return std::string(pid_name(pid));
}

// The tables that the PIDs of ISO/IEC 13818-1 and EN 300 468 carry.
const char* table_pid_name(unsigned pid)
{
    switch (pid) {
    case 0x0000: return "PAT";
    case 0x0001: return "CAT";
    case 0x0010: return "NIT";
    case 0x0011: return "SDT/BAT";
    case 0x0012: return "EIT";
    case 0x0013: return "RST";
    case 0x0014: return "TDT/TOT";
    default: return nullptr;
    }
}

}  // namespace

std::string program_list(const std::vector<unsigned>& numbers)
{
    if (numbers.empty())
        return "";
    std::string text = numbers.size() == 1 ? " program " : " programs ";
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += std::to_string(numbers[i]);
    }
    return text;
}

std::string pid_carries(const Analysis& a, unsigned pid, std::vector<unsigned>& program_numbers)
{
    program_numbers.clear();
    const PidState& s = a.pids[pid];
    if (pid == pid_null)
        return "Null packets";
    if (a.carries[pid].tables_seen && table_pid_name(pid) != nullptr)
        return table_pid_name(pid);
    if (s.role & role_pmt) {
        for (unsigned i = 0; i < a.program_count; ++i) {
            if (a.programs[i].pmt_pid == pid)
                program_numbers.push_back(a.programs[i].program_number);
        }
        return "PMT of" + program_list(program_numbers);
    }
    if (s.role & role_stream)
        return stream_type_of(a, pid) + "," + programs_naming(a, pid, false, program_numbers);
    if (a.pcr_states[pid].pcrs > 0 && !a.carries[pid].payload_seen) {
        const std::string programs = programs_naming(a, pid, true, program_numbers);
        return programs.empty() ? "PCR only" : "PCR only," + programs;
    }
    if (const unsigned stream_id = a.probe_states[pid].stream_id; stream_id != 0) {
        // A PES stream no map table names: its stream_id, and the codec its headers show.
        char text[48];
        const StreamFormat* f = probed_format(a, pid);
        std::snprintf(text, sizeof text, "PES, stream_id '%02X'h%s%s", stream_id, f != nullptr && f->codec ? ", " : "",
                      f != nullptr && f->codec ? f->codec : "");
        return text;
    }
    return std::string(pid_name(pid));
}

std::string joined(std::initializer_list<std::string_view> pieces)
{
    std::string s;
    for (const std::string_view p : pieces)
        s.append(p.data(), p.size());
    return s;
}

}  // namespace ostrel
