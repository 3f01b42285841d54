#include "support.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "cli/run.hpp"
#include "ts/crc32.hpp"

namespace ostrel::test {
namespace {

std::string contents(std::FILE* f)
{
    std::string text;
    std::rewind(f);
    char piece[4096];
    std::size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, f)) > 0)
        text.append(piece, got);
    std::fclose(f);
    return text;
}

std::FILE* file_with(const std::string& text)
{
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

}  // namespace

Bytes packet(const PacketFields& s, std::initializer_list<unsigned> body)
{
    Bytes p(188, s.fill);
    p[0] = 0x47;
    p[1] = static_cast<unsigned char>(s.error << 7 | s.start << 6 | s.priority << 5 | (s.pid >> 8 & 0x1F));
    p[2] = static_cast<unsigned char>(s.pid & 0xFF);
    p[3] = static_cast<unsigned char>(s.scrambling << 6 | s.adaptation << 4 | s.counter);
    std::size_t at = 4;
    if (s.adaptation & 2) {
        p[4] = static_cast<unsigned char>(s.adaptation_length);
        at = 5;
    }
    put_bytes(p, at, body);
    return p;
}

Bytes pcr_packet(unsigned pid, unsigned counter, std::uint64_t ticks)
{
    Bytes p = packet({.pid = pid, .adaptation = 3, .counter = counter, .adaptation_length = 7});
    const std::uint64_t base = ticks / 300, extension = ticks % 300;
    put_bytes(p, 5, {0x10, static_cast<unsigned>(base >> 25) & 0xFF, static_cast<unsigned>(base >> 17) & 0xFF,
                     static_cast<unsigned>(base >> 9) & 0xFF, static_cast<unsigned>(base >> 1) & 0xFF,
                     static_cast<unsigned>(((base & 1) << 7) | 0x7E | (extension >> 8)),
                     static_cast<unsigned>(extension & 0xFF)});
    return p;
}

void put_bytes(Bytes& packet, std::size_t offset, std::initializer_list<unsigned> bytes)
{
    for (unsigned b : bytes)
        packet.at(offset++) = static_cast<unsigned char>(b);
}

namespace {

void append_crc(Bytes& s)
{
    const std::uint32_t crc = crc32_update(crc32_initial, s.data(), s.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        s.push_back(static_cast<unsigned char>(crc >> shift));
}

}  // namespace

Bytes long_section(unsigned table_id, unsigned extension, unsigned version, const Bytes& body,
                   unsigned section_number, unsigned last_section_number)
{
    const std::size_t length = 5 + body.size() + 4;
    Bytes s;
    const std::size_t header[] = {table_id, 0xB0 | (length >> 8 & 0x0F), length & 0xFF, extension >> 8 & 0xFF,
                                  extension & 0xFF, 0xC1 | (version & 0x1F) << 1, section_number, last_section_number};
    for (const std::size_t b : header)
        s.push_back(static_cast<unsigned char>(b));
    for (const unsigned char b : body)
        s.push_back(b);
    append_crc(s);
    return s;
}

Bytes short_section(unsigned table_id, const Bytes& body, bool crc, unsigned flags)
{
    const std::size_t length = body.size() + (crc ? 4 : 0);
    Bytes s;
    const std::size_t header[] = {table_id, (flags & 0xF0) | (length >> 8 & 0x0F), length & 0xFF};
    for (const std::size_t b : header)
        s.push_back(static_cast<unsigned char>(b));
    for (const unsigned char b : body)
        s.push_back(b);
    if (crc)
        append_crc(s);
    return s;
}

Bytes section_packets(unsigned pid, const Bytes& section, unsigned counter)
{
    Bytes payload(1, 0x00);  // pointer_field
    for (const unsigned char b : section)
        payload.push_back(b);
    Bytes all;
    for (std::size_t at = 0; at < payload.size(); at += 184) {
        Bytes p = packet({.pid = pid, .start = at == 0 ? 1u : 0u, .counter = counter++ & 0x0F});
        const std::size_t n = std::min<std::size_t>(184, payload.size() - at);
        std::copy(payload.begin() + static_cast<long>(at), payload.begin() + static_cast<long>(at + n), p.begin() + 4);
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

Bytes descriptor(unsigned tag, const Bytes& body)
{
    Bytes d;
    d.push_back(static_cast<unsigned char>(tag));
    d.push_back(static_cast<unsigned char>(body.size()));
    for (const unsigned char b : body)
        d.push_back(b);
    return d;
}

unsigned packet_pid_of(const unsigned char* p) { return (p[1] & 0x1Fu) << 8 | p[2]; }

// The fixture played 7 times, each time a second later (PCRs) with the
// counters going on; the audio (PID 0101) is gone from the 2nd to the 6th time.
// With `no_pcr_until`, the PCR flags are cleared from the 2nd play to packet
// `no_pcr_until` of the 7th.
Bytes played(const Bytes& s, unsigned times, const std::function<void(unsigned, std::size_t, unsigned char*)>& edit)
{
    unsigned per_pid[8192] = {};
    for (std::size_t i = 0; i < s.size(); i += 188)
        per_pid[packet_pid_of(&s[i])] += (s[i + 3] >> 4) & 1;
    Bytes all;
    for (unsigned k = 0; k < times; ++k) {
        Bytes r = s;
        for (std::size_t i = 0; i < r.size(); i += 188) {
            unsigned char* p = &r[i];
            p[3] = static_cast<unsigned char>((p[3] & 0xF0) | ((p[3] + k * per_pid[packet_pid_of(p)]) & 0x0F));
            if ((p[3] & 0x20) && p[4] >= 7 && (p[5] & 0x10)) {
                std::uint64_t base = std::uint64_t{p[6]} << 25 | std::uint64_t{p[7]} << 17 | p[8] << 9 | p[9] << 1 | p[10] >> 7;
                base += 90000u * k;
                p[6] = static_cast<unsigned char>(base >> 25);
                p[7] = static_cast<unsigned char>(base >> 17);
                p[8] = static_cast<unsigned char>(base >> 9);
                p[9] = static_cast<unsigned char>(base >> 1);
                p[10] = static_cast<unsigned char>((p[10] & 0x7F) | (base & 1) << 7);
            }
            if (edit)
                edit(k, i / 188 + 1, p);
        }
        all.insert(all.end(), r.begin(), r.end());
    }
    return all;
}

Bytes looped(const Bytes& s, std::size_t no_pcr_until)
{
    return played(s, 7, [&](unsigned k, std::size_t n, unsigned char* p) {
        if (k >= 1 && k <= 5 && packet_pid_of(p) == 0x0101)
            p[1] = 0x1F, p[2] = 0xFF;
        const bool without_pcr = no_pcr_until > 0 && k >= 1 && (k < 6 || n < no_pcr_until);
        if (without_pcr && (p[3] & 0x20) && p[4] >= 7)
            p[5] &= 0xEF;
    });
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

unsigned char* at(Bytes& s, std::size_t n) { return s.data() + (n - 1) * 188; }

void drop(Bytes& s, std::size_t n)
{
    s.erase(s.begin() + static_cast<long>((n - 1) * 188), s.begin() + static_cast<long>(n * 188));
}

void repeat(Bytes& s, std::size_t n, unsigned times)
{
    const Bytes copy(at(s, n), at(s, n) + 188);
    for (unsigned i = 0; i < times; ++i)
        s.insert(s.begin() + static_cast<long>(n * 188), copy.begin(), copy.end());
}

std::string fixture_path(const std::string& name) { return std::string(OSTREL_SOURCE_DIR "/tests/fixtures/") + name; }

Result run_report(const Bytes& file, const RunOptions& options, const std::string& keys, std::size_t read_piece)
{
    std::FILE* in = file_with(std::string(file.begin(), file.end()));
    std::FILE* key_file = file_with(keys);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    unsigned char block[6 * 188];
    std::vector<char> text(64 * 1024);
    const RunBuffers buffers{block, sizeof block, read_piece, text.data(), text.size()};
    const int status = run_on_file(options, in, "input.ts", buffers, out, key_file, err);
    std::fclose(in);
    std::fclose(key_file);
    return {contents(out), contents(err), status};
}

std::string without_frame_lines(const std::string& report)
{
    std::string out;
    for (std::size_t at = 0; at < report.size();) {
        std::size_t end = report.find('\n', at);
        end = end == std::string::npos ? report.size() : end + 1;
        if (report.compare(at, 17, "=> Capture Frame:") != 0)
            out.append(report, at, end - at);
        at = end;
    }
    return out;
}

std::string without_times(const std::string& findings)
{
    std::string out;
    std::size_t at = 0;
    for (std::size_t found; (found = findings.find(", at ", at)) != std::string::npos;) {
        const std::size_t end = findings.find(" s,", found);
        if (end == std::string::npos)
            break;
        out.append(findings, at, found - at);
        at = end + 2;  // keep the comma after the time
    }
    out.append(findings, at);
    return out;
}

Result run_program(const std::string& command)
{
    const std::string script_path = temp_path("command.sh");
    const std::string out_path = temp_path("stdout");
    const std::string err_path = temp_path("stderr");
    std::ofstream(script_path) << "OSTREL='" OSTREL_BINARY "'\nSAMPLES='" OSTREL_SOURCE_DIR "/samples'\n"
                               << command << "\n";
    const std::string run = "bash '" + script_path + "' >'" + out_path + "' 2>'" + err_path + "'";
    const int raw = std::system(run.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return {read_file(out_path), read_file(err_path), status};
}

std::string temp_path(const std::string& name)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("ostrel-test-" + std::to_string(::getpid())) /
                                (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

void write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream text;
    text << f.rdbuf();
    return text.str();
}

Bytes read_bytes(const std::string& path)
{
    const std::string text = read_file(path);
    return Bytes(text.begin(), text.end());
}

std::string sample_path(const std::string& name) { return std::string(OSTREL_SOURCE_DIR "/samples/") + name; }

std::string golden(const std::string& name) { return read_file(std::string(OSTREL_SOURCE_DIR "/tests/golden/") + name); }

}  // namespace ostrel::test

namespace {

// Removes this process's temporary folder when the tests end.
class TempCleanup : public ::testing::Environment {
public:
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(
            std::filesystem::temp_directory_path() / ("ostrel-test-" + std::to_string(::getpid())), ignored);
    }
};

[[maybe_unused]] ::testing::Environment* const cleanup = ::testing::AddGlobalTestEnvironment(new TempCleanup);

}  // namespace
