#include "cli/option_notes.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "cli/option_table.hpp"
#include "ts/utf8.hpp"

namespace ostrel {
namespace {

std::string lower(std::string_view s)
{
    std::string l(s);
    for (char& c : l)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
    return l;
}

// Edits (insert, delete, change, swap of neighbours) from `a` to `b`.
std::size_t distance(std::string_view a, std::string_view b)
{
    constexpr std::size_t most = 24;
    if (a.size() > most || b.size() > most)
        return most;
    std::size_t d[most + 1][most + 1];
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

bool hex_digits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

// The option nearest to `argument` (its value kept), or "" when none is close.
std::string nearest(const std::string& argument)
{
    const std::size_t colon = argument.find(':');
    const std::string head = argument.substr(0, colon == std::string::npos ? argument.size() : colon + 1);
    const std::string tail = colon == std::string::npos ? "" : argument.substr(colon + 1);
    std::string best;
    std::size_t best_distance = 3;  // at most two edits
    for (const OptionSpelling& o : option_spellings) {
        const bool valued = !o.value.empty();
        std::size_t d = distance(head, o.name);
        if (valued && colon == std::string::npos)  // the colon and the value left out
            d = std::min(d, distance(head, o.name.substr(0, o.name.size() - 1)) + 1);
        if (d < best_distance && d < o.name.size() / 2) {
            best_distance = d;
            best = std::string(o.name) + (valued ? (tail.empty() ? std::string(o.value) : tail) : "");
        }
    }
    return best;
}

}  // namespace

std::string ignored_note(const char* argument)
{
    const std::string a = lower(argument);
    const std::string shown = *argument == 0 ? "''" : shown_name(argument);
    std::string why;
    if (a.rfind("--check:", 0) == 0) {
        why = "the priority is 1, 2 or 3: --check:1, --check:2, --check:3";
    } else if (a.rfind("--pid:", 0) == 0 || a.rfind("--pmt:", 0) == 0) {
        const std::string value = a.substr(6);
        if (hex_digits(value) && value.size() < 4)
            why = "did you mean " + a.substr(0, 6) + std::string(4 - value.size(), '0') + value + "?";
        else
            why = "a PID is four hex digits, as " + a.substr(0, 6) + "0100";
    } else if (const std::string near = nearest(a); !near.empty()) {
        why = "did you mean " + near + "?";
    }
    return "ostrel: " + shown + " ignored" + (why.empty() ? "" : " (" + why + ")");
}

}  // namespace ostrel
