#include "cli/options.hpp"

#include "cli/option_notes.hpp"
#include "output/metrics_server.hpp"
#include "pass/intervals.hpp"
#include "ts/pids.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace ostrel {
namespace {

constexpr std::size_t longest_option = 10;  // "--pid:HHHH" and "--pmt:HHHH"

// The four characters after "--PID:" or "--PMT:" read as strtol reads base 16
// (blanks, sign, 0X prefix, up to the first non-digit), low 16 bits kept.
std::uint16_t hex_value(const char* digits)
{
    return static_cast<std::uint16_t>(static_cast<unsigned long>(std::strtol(digits, nullptr, 16)) & 0xFFFF);
}

// The options that set a flag, upper-cased.
struct Flag {
    const char* name;
    bool RunOptions::*member;
};

constexpr Flag flags[] = {
    {"-WALK", &RunOptions::step_mode},      {"--PAT", &RunOptions::pat_mode},
    {"--RESYNC", &RunOptions::resync},      {"--SUMMARY", &RunOptions::summary_mode},
    {"--CHECK", &RunOptions::check_mode},   {"--JSON", &RunOptions::json},
    {"--DECODE", &RunOptions::decode},      {"--TABLES", &RunOptions::tables_mode},
    {"--ALL", &RunOptions::all_findings},    {"--CUES", &RunOptions::cues_mode},
    {"--FLOWS", &RunOptions::flows_mode},   {"--TIMELINE", &RunOptions::timeline_mode},
    {"--HLS", &RunOptions::hls_mode},
};

// The value after a prefix matched without regard to case, or null.
const char* value_after(const char* argument, const char* prefix)
{
    const std::size_t n = std::strlen(prefix);
    for (std::size_t i = 0; i < n; ++i) {
        const char c = argument[i];
        if (c == 0 || ((c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c) != prefix[i])
            return nullptr;
    }
    return argument + n;
}

bool read_hex_pid(const char* text, std::size_t length, std::uint16_t& pid)
{
    if (length == 0 || length > 4)
        return false;
    unsigned v = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        const int d = c >= '0' && c <= '9' ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : (c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1));
        if (d < 0)
            return false;
        v = v * 16 + static_cast<unsigned>(d);
    }
    if (v > pid_null)
        return false;
    pid = static_cast<std::uint16_t>(v);
    return true;
}

bool read_bound(const char* text, CutBound& bound)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || !(v >= 0) || v > 1e15)
        return false;
    bound.seconds = *end == 's' || *end == 'S';
    if (bound.seconds)
        ++end;
    if (*end != 0 || (!bound.seconds && (v < 1 || v != static_cast<double>(static_cast<std::uint64_t>(v)))))
        return false;
    bound.set = true;
    bound.value = v;
    return true;
}

// Seconds, more than 0 (a number as strtod reads it, nothing after it).
bool read_seconds(const char* text, double& seconds)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != 0 || !(v > 0) || v > 1e9)
        return false;
    seconds = v;
    return true;
}

void fail(RunOptions& options, const char* argument)
{
    if (options.option_error.empty())
        options.option_error = std::string("Invalid option value: ") + argument;
}

// The options that cut a capture, whose values have any length.
bool apply_cut_option(RunOptions& options, const char* argument)
{
    if (const char* v = value_after(argument, "--WRITE:")) {
        options.write_mode = true;
        options.write_path = v;
        if (*v == 0)
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--HTML:")) {
        options.html_mode = true;
        options.html_path = v;
        if (*v == 0)
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--TIMELINE:")) {
        options.timeline_mode = true;
        if (!read_seconds(v, options.timeline_interval) || options.timeline_interval < least_interval_s)
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--PIDS:")) {
        options.pid_list.clear();
        for (const char* p = v;;) {
            const char* comma = std::strchr(p, ',');
            const std::size_t n = comma != nullptr ? static_cast<std::size_t>(comma - p) : std::strlen(p);
            std::uint16_t pid;
            if (!read_hex_pid(p, n, pid)) {
                fail(options, argument);
                break;
            }
            options.pid_list.push_back(pid);
            if (comma == nullptr)
                break;
            p = comma + 1;
        }
    } else if (const char* v = value_after(argument, "--PROGRAM:")) {
        char* end = nullptr;
        const unsigned long n = std::strtoul(v, &end, 10);
        options.program_mode = true;
        options.program_number = static_cast<unsigned>(n);
        if (end == v || *end != 0 || n == 0 || n > 0xFFFF)
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--FROM:")) {
        if (!read_bound(v, options.from))
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--TO:")) {
        if (!read_bound(v, options.to))
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--FLOW:")) {
        options.flow_mode = true;
        if (!parse_endpoint(v, options.flow_destination))
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--FOR:")) {
        if (!read_seconds(v, options.for_seconds))
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--TIMEOUT:")) {
        if (!read_seconds(v, options.timeout_seconds))
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--METRICS:")) {
        options.metrics_mode = true;
        options.metrics_address = v;
        MetricsAddress address;
        if (!parse_metrics_address(v, address))
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--VARIANT:")) {
        char* end = nullptr;
        const unsigned long n = std::strtoul(v, &end, 10);
        options.variant = static_cast<unsigned>(n);
        if (end == v || *end != 0 || *v < '0' || *v > '9' || n > 100000)
            fail(options, argument);
    } else if (const char* v = value_after(argument, "--ES:")) {
        options.es_mode = true;
        if (!read_hex_pid(v, std::strlen(v), options.es_pid))
            fail(options, argument);
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool apply_option(RunOptions& options, const char* argument)
{
    if (apply_cut_option(options, argument))
        return true;
    const std::size_t length = std::strlen(argument);
    if (length > longest_option)
        return false;
    char upper[longest_option + 1];
    for (std::size_t i = 0; i <= length; ++i) {
        const char c = argument[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
    }
    for (const Flag& flag : flags) {
        if (std::strcmp(upper, flag.name) == 0) {
            options.*flag.member = true;
            return true;
        }
    }
    if (length == 9 && std::strncmp(upper, "--CHECK:", 8) == 0 && upper[8] >= '1' && upper[8] <= '3') {
        options.check_mode = true;
        options.check_priority = static_cast<unsigned>(upper[8] - '0');
    } else if (length == 10 && std::strncmp(upper, "--PID:", 6) == 0) {
        options.pid_filter = hex_value(upper + 6);
    } else if (length == 10 && std::strncmp(upper, "--PMT:", 6) == 0) {
        options.pmt_mode = true;
        options.pmt_pid = hex_value(upper + 6);
    } else {
        return false;
    }
    return true;
}

RunOptions parse_options(int argc, const char* const* argv)
{
    RunOptions options;
    constexpr std::size_t most_notes = 5;
    std::size_t ignored = 0;
    for (int i = 2; i < argc; ++i) {
        if (!apply_option(options, argv[i]) && ignored++ < most_notes)
            options.notes.push_back(ignored_note(argv[i]));
    }
    if (ignored > most_notes)
        options.notes.push_back("ostrel: and " + std::to_string(ignored - most_notes) + " more arguments ignored");
    if (options.es_mode && !options.write_mode && options.option_error.empty()) {
        char note[64];
        std::snprintf(note, sizeof note, "ostrel: --es:%04X ignored (it needs --write:FILE)", options.es_pid);
        options.notes.push_back(note);
    }
    return options;
}

}  // namespace ostrel
