#include "cli/options.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace ostrel {
namespace {

RunOptions parse(std::vector<const char*> args)
{
    args.insert(args.begin(), {"ostrel", "file.ts"});
    return parse_options(static_cast<int>(args.size()), args.data());
}

TEST(Options, DefaultsSelectThePacketReportOfEveryPid)
{
    const RunOptions o = parse({});
    EXPECT_FALSE(o.step_mode);
    EXPECT_FALSE(o.pat_mode);
    EXPECT_FALSE(o.pmt_mode);
    EXPECT_EQ(o.pid_filter, 0xFFFF);
}

TEST(Options, MatchWithoutRegardToCase)
{
    for (const char* pat : {"--pat", "--PAT", "--Pat"})
        EXPECT_TRUE(parse({pat}).pat_mode) << pat;
    for (const char* walk : {"-walk", "-WALK", "-wAlK"})
        EXPECT_TRUE(parse({walk}).step_mode) << walk;
    EXPECT_EQ(parse({"--Pid:01aB"}).pid_filter, 0x01AB);
    const RunOptions pmt = parse({"--pMt:1000"});
    EXPECT_TRUE(pmt.pmt_mode);
    EXPECT_EQ(pmt.pmt_pid, 0x1000);
}

TEST(Options, TheLaterFlagsMatchWithoutRegardToCaseToo)
{
    for (const char* resync : {"--resync", "--RESYNC", "--ReSync"})
        EXPECT_TRUE(parse({resync}).resync) << resync;
    const RunOptions o = parse({"--Summary", "--CHECK", "--json", "--Decode"});
    EXPECT_TRUE(o.summary_mode && o.check_mode && o.json && o.decode);
    const RunOptions none = parse({"--summar", "--checks", "--jso", "--decode ", "--resync="});
    EXPECT_FALSE(none.summary_mode || none.check_mode || none.json || none.decode || none.resync);
}

TEST(Options, HexValuesFollowStrtol)
{
    EXPECT_EQ(parse({"--pid:0x1F"}).pid_filter, 0x001F);
    EXPECT_EQ(parse({"--pid:zzzz"}).pid_filter, 0x0000);
    EXPECT_EQ(parse({"--pid:FFFF"}).pid_filter, 0xFFFF);
    EXPECT_EQ(parse({"--pid: 1F "}).pid_filter, 0x001F);  // leading blanks, stop at the first non-digit
    EXPECT_EQ(parse({"--pid:12G4"}).pid_filter, 0x0012);
    EXPECT_EQ(parse({"--pid:+1FF"}).pid_filter, 0x01FF);
    EXPECT_EQ(parse({"--pid:-001"}).pid_filter, 0xFFFF);  // -1 kept to its low 16 bits
    EXPECT_EQ(parse({"--pid:-1F0"}).pid_filter, 0xFE10);
    EXPECT_EQ(parse({"--pid:0X  "}).pid_filter, 0x0000);
    EXPECT_EQ(parse({"--pmt:2000"}).pmt_pid, 0x2000);
}

TEST(Options, WrongLengthsAndPrefixesAreIgnored)
{
    const RunOptions o = parse({"--pid:1FF", "--pid:01000", "-wal", "--pa", "--pmt:", "-walk ", "--pat=1", ""});
    EXPECT_FALSE(o.step_mode);
    EXPECT_FALSE(o.pat_mode);
    EXPECT_FALSE(o.pmt_mode);
    EXPECT_EQ(o.pid_filter, 0xFFFF);
}

TEST(Options, LaterValuesOverrideAndFlagsStaySet)
{
    const RunOptions o = parse({"--pid:0100", "-walk", "--pmt:0020", "--pid:0200", "--pmt:0030", "-walk"});
    EXPECT_EQ(o.pid_filter, 0x0200);
    EXPECT_EQ(o.pmt_pid, 0x0030);
    EXPECT_TRUE(o.pmt_mode);
    EXPECT_TRUE(o.step_mode);
}

TEST(Options, TimelineIntervalsAndThePage)
{
    struct Case {
        const char* argument;
        bool timeline;
        double interval;
        bool html;
        const char* path;
        bool error;
    };
    const Case cases[] = {
        {"--timeline", true, 1.0, false, "", false},
        {"--TimeLine:0.25", true, 0.25, false, "", false},
        {"--timeline:0.01", true, 0.01, false, "", false},
        {"--timeline:0.009", true, 0.009, false, "", true},  // shorter than 10 ms
        {"--timeline:1s", true, 1.0, false, "", true},
        {"--timeline:", true, 1.0, false, "", true},
        {"--timeline:-1", true, 1.0, false, "", true},
        {"--HTML:page.html", false, 1.0, true, "page.html", false},
        {"--html:-", false, 1.0, true, "-", false},
        {"--html:", false, 1.0, true, "", true},
        {"--timelines", false, 1.0, false, "", false},  // not an option: ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        const RunOptions o = parse({c.argument});
        EXPECT_EQ(o.timeline_mode, c.timeline);
        if (!c.error) {
            EXPECT_DOUBLE_EQ(o.timeline_interval, c.interval);
        }
        EXPECT_EQ(o.html_mode, c.html);
        EXPECT_EQ(o.html_path, c.path);
        EXPECT_EQ(o.option_error.empty(), !c.error);
    }
}

}  // namespace
}  // namespace ostrel
