// The help text and the manual page against the program's own tables: the
// reports in the registry's order of precedence, every option the parser
// takes, so that neither can drift from what the program does.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/help.hpp"
#include "cli/option_table.hpp"
#include "cli/report_registry.hpp"
#include "support.hpp"

namespace ostrel::test {
namespace {

std::string manual()
{
    std::string page = read_file(OSTREL_SOURCE_DIR "/docs/ostrel.1");
    // troff's \- is a minus sign: the options as they are typed.
    for (std::size_t at; (at = page.find("\\-")) != std::string::npos;)
        page.replace(at, 2, "-");
    return page;
}

// --flows (a capture's flows, chosen before the registry), then the registry's reports.
std::vector<std::string> precedence()
{
    std::vector<std::string> order{"--flows"};
    std::size_t count = 0;
    const ReportEntry* entries = report_entries(count);
    for (std::size_t i = 0; i < count; ++i)
        if (*entries[i].option != 0)
            order.emplace_back(entries[i].option);
    return order;
}

TEST(Manual, PrecedenceAsTheRegistryHasIt)
{
    // The manual: ".BR --option ," lines after "in the order" up to "is made".
    const std::string page = manual();
    const std::size_t from = page.find("in the order\n"), to = page.find("is made;", from);
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    std::istringstream lines(page.substr(from, to - from));
    std::vector<std::string> listed;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(".BR ", 0) == 0)
            listed.push_back(line.substr(4, line.find(' ', 4) - 4));
    EXPECT_EQ(listed, precedence());
    // The help: the first option of each line under "Reports", its value left out, each once.
    const std::string help = help_text;
    std::istringstream help_lines(help.substr(help.find("Reports"), help.find("Options:") - help.find("Reports")));
    std::vector<std::string> reports;
    for (std::string line; std::getline(help_lines, line);) {
        if (line.rfind("  --", 0) != 0)
            continue;
        std::string option = line.substr(2, line.find(' ', 2) - 2);
        if (const std::size_t colon = option.find(':'); colon != std::string::npos)
            option.resize(colon + 1);
        if (reports.empty() || option.rfind(reports.back(), 0) != 0)  // --check:3 after --check
            reports.push_back(option);
    }
    EXPECT_EQ(reports, precedence());
}

TEST(Manual, EveryOptionIsInTheHelpAndTheManual)
{
    const std::string page = manual(), help = help_text;
    const std::string synopsis = page.substr(0, page.find(".SH DESCRIPTION"));
    EXPECT_NE(synopsis.find("--write:"), std::string::npos);
    EXPECT_EQ(precedence().size() + 1, 12u);  // with the packet report
    EXPECT_NE(page.find("one of twelve reports"), std::string::npos);
    // A value of each kind the help names, for the parser to take.
    const std::pair<std::string_view, const char*> values[] = {
        {"", ""},        {"HHHH", "0100"}, {"N", "1"},   {"SECONDS", "1"},
        {"FILE", "x.ts"}, {"H,H", "100,101"}, {"X", "10"}, {"A:P", "239.1.1.1:5000"}, {"PORT", "9100"},
    };
    for (const OptionSpelling& o : option_spellings) {
        const std::string name(o.name);
        EXPECT_NE(help.find(name), std::string::npos) << name;
        EXPECT_NE(page.find(name), std::string::npos) << name;
        std::string argument = name;
        for (const auto& [kind, value] : values)
            if (kind == o.value)
                argument += value;
        RunOptions options;
        EXPECT_TRUE(apply_option(options, argument.c_str())) << argument;
        EXPECT_EQ(options.option_error, "") << argument;
    }
}

}  // namespace
}  // namespace ostrel::test
