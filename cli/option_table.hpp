// Every option the command line takes, as the help text and the manual page
// spell it: the name (with its colon when a value follows) and the value.
// The notes on ignored arguments look for the nearest of these, and a test
// checks the help text and the manual page against them.
#pragma once

#include <string_view>

namespace ostrel {

struct OptionSpelling {
    std::string_view name;   // "--pid:" or "--summary"
    std::string_view value;  // what follows the colon, as the help names it; empty for a flag
};

inline constexpr OptionSpelling option_spellings[] = {
    {"-walk", ""},         {"--pat", ""},          {"--pmt:", "HHHH"},       {"--pid:", "HHHH"},
    {"--resync", ""},      {"--summary", ""},      {"--check", ""},          {"--check:", "N"},
    {"--json", ""},        {"--decode", ""},       {"--tables", ""},         {"--all", ""},
    {"--cues", ""},        {"--flows", ""},        {"--flow:", "A:P"},       {"--timeline", ""},
    {"--timeline:", "SECONDS"}, {"--html:", "FILE"}, {"--write:", "FILE"},  {"--pids:", "H,H"},
    {"--program:", "N"},   {"--from:", "X"},       {"--to:", "X"},           {"--es:", "HHHH"},
    {"--for:", "SECONDS"}, {"--timeout:", "SECONDS"}, {"--hls", ""},        {"--variant:", "N"},
    {"--metrics:", "PORT"},
};

}  // namespace ostrel
