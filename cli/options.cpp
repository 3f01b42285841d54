#include "cli/options.hpp"

#include <cstdlib>
#include <cstring>

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
};

}  // namespace

void apply_option(RunOptions& options, const char* argument)
{
    const std::size_t length = std::strlen(argument);
    if (length > longest_option)
        return;
    char upper[longest_option + 1];
    for (std::size_t i = 0; i <= length; ++i) {
        const char c = argument[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
    }
    for (const Flag& flag : flags) {
        if (std::strcmp(upper, flag.name) == 0) {
            options.*flag.member = true;
            return;
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
    }
}

RunOptions parse_options(int argc, const char* const* argv)
{
    RunOptions options;
    for (int i = 2; i < argc; ++i)
        apply_option(options, argv[i]);
    return options;
}

}  // namespace ostrel
