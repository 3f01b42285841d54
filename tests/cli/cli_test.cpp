// The built program run as a user runs it: arguments, files, pipes, statuses.
#include <gtest/gtest.h>

#include "support.hpp"

namespace ostrel::test {
namespace {

const std::string usage =
    "\n"
    "Usage: ostrel filename [-walk] [--pat | --pmt:HHHH | --pid:HHHH].\n"
    "       -walk: walk step by step.\n"
    "       --pat: print Program Association Table (PAT).\n"
    "       --pmt: print Program Map Table (PMT) with specified PID.\n"
    "       --pid: print all TS packets with specified PID (0000-1FFF).\n";

// Two packets: PID 0x0100, then the PAT of one program with its map on 0x1000.
Bytes two_packets()
{
    Bytes pat = packet({.pid = 0x0000, .start = 1},
                       {0x00, 0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00});
    return join({packet({.pid = 0x0100, .adaptation = 2, .adaptation_length = 183}), pat});
}

std::string two_packets_file()
{
    const std::string path = temp_path("two.ts");
    write_file(path, two_packets());
    return path;
}

TEST(Cli, NoFileNamePrintsUsage)
{
    const Result r = run_program("\"$OSTREL\"");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, usage);
    EXPECT_EQ(r.status, 2);
}

// The message of the first releases, then on a line of its own why the open
// failed, or that an option stood where the file name goes.
TEST(Cli, UnopenableFileSaysWhy)
{
    const std::string two = two_packets_file();
    const struct {
        std::string command;
        std::string err;
    } cases[] = {
        {"\"$OSTREL\" /nonexistent/file.ts --pat",
         "Open failed on input file : /nonexistent/file.ts\nostrel: No such file or directory\n"},
        {"cd /tmp && \"$OSTREL\" -walk " + two, "Open failed on input file : -walk\nostrel: options go after the file name\n"},
        {"cd /tmp && \"$OSTREL\" --summary " + two,
         "Open failed on input file : --summary\nostrel: options go after the file name\n"},
        {"cd /tmp && \"$OSTREL\" --nonsense " + two, "Open failed on input file : --nonsense\nostrel: No such file or directory\n"},
        // A name with ESC, BEL and a newline is shown with \xHH in their place.
        {"\"$OSTREL\" $'/nonexistent/a\\x1b[2J\\x07\\nb'",
         "Open failed on input file : /nonexistent/a\\x1B[2J\\x07\\x0Ab\nostrel: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const Result r = run_program(c.command);
        EXPECT_EQ(r.out, "") << c.command;
        EXPECT_EQ(r.err, c.err) << c.command;
        EXPECT_EQ(r.status, 1) << c.command;
    }
}

// Arguments the run goes on without, each said on a line with the nearest
// option; "-" reads standard input.
TEST(Cli, IgnoredArgumentsAreSaidAndADashIsStandardInput)
{
    const std::string two = two_packets_file();
    const Result pat = run_program("\"$OSTREL\" " + two + " --pat");
    const struct {
        const char* argument;
        const char* note;
    } cases[] = {
        {"--summay", "ostrel: --summay ignored (did you mean --summary?)\n"},
        {"-summary", "ostrel: -summary ignored (did you mean --summary?)\n"},
        {"--TABELS", "ostrel: --TABELS ignored (did you mean --tables?)\n"},
        {"--pid:100", "ostrel: --pid:100 ignored (did you mean --pid:0100?)\n"},
        {"--pmt:12345", "ostrel: --pmt:12345 ignored (a PID is four hex digits, as --pmt:0100)\n"},
        {"--check:9", "ostrel: --check:9 ignored (the priority is 1, 2 or 3: --check:1, --check:2, --check:3)\n"},
        {"--check:", "ostrel: --check: ignored (the priority is 1, 2 or 3: --check:1, --check:2, --check:3)\n"},
        {"--htm:x.html", "ostrel: --htm:x.html ignored (did you mean --html:x.html?)\n"},
        {"--es:0100", "ostrel: --es:0100 ignored (it needs --write:FILE)\n"},
        {"--frobnicate", "ostrel: --frobnicate ignored\n"},
    };
    for (const auto& c : cases) {
        const Result r = run_program("\"$OSTREL\" " + two + " --pat " + c.argument);
        EXPECT_EQ(r.out, pat.out) << c.argument;
        EXPECT_EQ(r.err, c.note) << c.argument;
        EXPECT_EQ(r.status, 0) << c.argument;
    }
    const Result many = run_program("\"$OSTREL\" " + two + " --pat a b c d e f g");
    EXPECT_EQ(many.err.substr(many.err.rfind("ostrel:")), "ostrel: and 2 more arguments ignored\n");
    const Result piped = run_program("\"$OSTREL\" - --pat < " + two);
    EXPECT_EQ(piped.out, pat.out);
    EXPECT_EQ(piped.status, 0);
    const Result summary = run_program("cat " + two + " | \"$OSTREL\" - --summary | head -1");
    EXPECT_EQ(summary.out, "=> File:               -\n");
}

TEST(Cli, LongAndUnusualFileNamesOpenAsGiven)
{
    const std::string dir = temp_path("");
    // 300 characters of name in a relative path, then a name with a space and non-ASCII bytes.
    const std::string long_name(300, 'n');
    write_file(dir + long_name.substr(0, 200), two_packets());
    const std::string relative = long_name.substr(0, 200);
    const Result plain = run_program("\"$OSTREL\" '" + two_packets_file() + "' --pat");
    Result r = run_program("cd '" + dir + "' && \"$OSTREL\" ./././././././././././././././././././././././././././" +
                           "././././././././././././././././././" + relative + " --pat");
    EXPECT_EQ(r.out, plain.out);
    EXPECT_EQ(r.status, 0);
    write_file(dir + "caf\xc3\xa9 file.ts", two_packets());
    r = run_program("\"$OSTREL\" '" + dir + "caf\xc3\xa9 file.ts' --pat");
    EXPECT_EQ(r.out, plain.out);
    EXPECT_EQ(r.status, 0);
    // A name the system refuses (a component of more than 255 bytes).
    r = run_program("\"$OSTREL\" " + long_name);
    EXPECT_EQ(r.err, "Open failed on input file : " + long_name + "\nostrel: File name too long\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Cli, DirectoryIsAReadError)
{
    const Result r = run_program("\"$OSTREL\" /tmp");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Read failed on input file : /tmp\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Cli, WriteErrorsOnStandardOutput)
{
    const std::string file = two_packets_file();
    Result r = run_program("\"$OSTREL\" " + file + " > /dev/full");
    EXPECT_EQ(r.err, "Write failed on standard output\n");
    EXPECT_EQ(r.status, 1);
    r = run_program("\"$OSTREL\" " + file + " --pat >&-");
    EXPECT_EQ(r.err, "Write failed on standard output\n");
    EXPECT_EQ(r.status, 1);
    // A reader that goes away ends the program quietly.
    r = run_program("\"$OSTREL\" " + file + " | head -c 10; exit \"${PIPESTATUS[0]}\"");
    EXPECT_EQ(r.err, "");
}

TEST(Cli, PipesAndFilesGiveTheSameOutput)
{
    const std::string file = two_packets_file();
    const Result direct = run_program("\"$OSTREL\" " + file);
    ASSERT_EQ(direct.status, 0);
    ASSERT_NE(direct.out, "");
    Result r = run_program("cat " + file + " | \"$OSTREL\" /dev/stdin");
    EXPECT_EQ(r.out, direct.out);
    EXPECT_EQ(r.status, 0);
    const std::string fifo = temp_path("fifo");
    r = run_program("mkfifo " + fifo + " && { cat " + file + " > " + fifo + " & } && \"$OSTREL\" " + fifo);
    EXPECT_EQ(r.out, direct.out);
    EXPECT_EQ(r.status, 0);
}

TEST(Cli, StatusesOfTheReports)
{
    const std::string file = two_packets_file();
    EXPECT_EQ(run_program("\"$OSTREL\" " + file + " --pid:0300").status, 0);
    EXPECT_EQ(run_program("\"$OSTREL\" " + file + " --pat").status, 0);
    Result r = run_program("\"$OSTREL\" " + file + " --pmt:1000");  // no such packet
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
    r = run_program("\"$OSTREL\" " + file + " --pmt:0000");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Invalid PMT PID\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Cli, MessagesFollowTheOutputBeforeThem)
{
    Bytes file = join({packet({.pid = 0x0100, .adaptation = 2, .adaptation_length = 183}),
                       packet({.pid = 0x0100, .adaptation = 2, .adaptation_length = 183})});
    file[188] = 0x00;
    const std::string path = temp_path("bad.ts");
    write_file(path, file);
    const Result r = run_program("\"$OSTREL\" " + path + " 2>&1");
    ASSERT_GT(r.out.size(), 20u);
    // The second packet of the file is not where 188 bytes put it: no packet size to name.
    const std::string end = "Invalid sync_byte\nostrel: --resync finds the packets again after bytes that are not packets\n";
    ASSERT_GT(r.out.size(), end.size());
    EXPECT_EQ(r.out.substr(r.out.size() - end.size()), end);
    EXPECT_EQ(r.out.find("Invalid"), r.out.size() - end.size());
    EXPECT_EQ(r.status, 1);
}

TEST(Cli, StepModeReadsOneLinePerPacket)
{
    const std::string file = two_packets_file();
    // Each pause takes one line; what is left stays unread on standard input.
    Result r = run_program("printf 'a\\nb\\nc\\nd\\n' | { \"$OSTREL\" " + file + " -walk > /dev/null; cat; }");
    EXPECT_EQ(r.out, "c\nd\n");
    EXPECT_EQ(r.status, 0);
    // With standard input at its end, or closed, no pause waits.
    const Result walked = run_program("\"$OSTREL\" " + file + " -walk < /dev/null");
    EXPECT_EQ(walked.status, 0);
    EXPECT_EQ(std::count(walked.out.begin(), walked.out.end(), '"'), 4);  // two prompts
}

TEST(Cli, ClosedStandardInputNeverReadsTheFileAsKeyboard)
{
    // More packets than one read takes: were the file opened as descriptor 0
    // and read by the pauses, the packets after the first block would shift.
    Bytes file;
    for (int i = 0; i < 4200; ++i) {
        const Bytes p = packet({.pid = static_cast<unsigned>(0x0100 + i % 7), .adaptation = 2,
                                .adaptation_length = 183, .fill = 0x0A});
        file.insert(file.end(), p.begin(), p.end());
    }
    const std::string path = temp_path("many.ts");
    write_file(path, file);
    const Result at_end = run_program("\"$OSTREL\" " + path + " -walk < /dev/null");
    ASSERT_EQ(at_end.status, 0);
    const Result closed = run_program("\"$OSTREL\" " + path + " -walk <&-");
    EXPECT_TRUE(closed.out == at_end.out);
    EXPECT_EQ(closed.err, "");
    EXPECT_EQ(closed.status, 0);
}

TEST(Cli, PathsOfThousandsOfCharacters)
{
    const std::string file = two_packets_file();
    const Result plain = run_program("\"$OSTREL\" " + file + " --pat");
    // 1990 "./" in front of an absolute path's relative twin: about 4000 characters, still valid.
    std::string dots;
    for (int i = 0; i < 1990; ++i)
        dots += "./";
    Result r = run_program("cd / && \"$OSTREL\" " + dots + file.substr(1) + " --pat");
    EXPECT_EQ(r.out, plain.out);
    EXPECT_EQ(r.status, 0);
    // Past what the system takes for a path: the open fails and the name is shown whole.
    const std::string too_long = dots + dots + file.substr(1);
    ASSERT_GT(too_long.size(), 4096u);
    r = run_program("cd / && \"$OSTREL\" " + too_long + " --pat");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Open failed on input file : " + too_long + "\nostrel: File name too long\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Cli, GarbageOptionsAndThousandsOfArguments)
{
    const std::string file = two_packets_file();
    const Result pat = run_program("\"$OSTREL\" " + file + " --pat");
    const Result all = run_program("\"$OSTREL\" " + file);
    // Ten characters with control and high bytes: no digits, so PID 0, or ignored.
    Result r = run_program("\"$OSTREL\" " + file + " $'--pid:\\x01\\xff\\x7f~'");
    EXPECT_EQ(r.out, run_program("\"$OSTREL\" " + file + " --pid:0000").out);
    EXPECT_EQ(r.status, 0);
    r = run_program("\"$OSTREL\" " + file + " $'\\xff\\xfe--pat\\x01\\x02\\x03' $'-walk\\t' --pmt:");
    EXPECT_EQ(r.out, all.out);
    EXPECT_EQ(r.status, 0);
    // 5000 arguments, the last one asking for the PAT.
    r = run_program("\"$OSTREL\" " + file + " $(printf -- '--pid:0100 %.0s' {1..2500}) $(printf 'x%.0s ' {1..2499}) --PAT");
    EXPECT_EQ(r.out, pat.out);
    EXPECT_EQ(r.status, 0);
}

TEST(Cli, SlowFifoInOddPiecesGivesTheSameOutput)
{
    const std::string sample = sample_path("sample.ts");
    const Result direct = run_program("\"$OSTREL\" " + sample);
    ASSERT_EQ(direct.status, 0);
    const std::string fifo = temp_path("fifo");
    // Pieces of 1, 187, 189, 1000 and 7 bytes, with pauses between them.
    const Result r = run_program("mkfifo " + fifo + " && { python3 -c '\n"
                                 "import sys, time\n"
                                 "data = open(sys.argv[1], \"rb\").read()\n"
                                 "out = open(sys.argv[2], \"wb\", buffering=0)\n"
                                 "sizes, i, k = [1, 187, 189, 1000, 7], 0, 0\n"
                                 "while i < len(data):\n"
                                 "    out.write(data[i:i + sizes[k % 5]]); i += sizes[k % 5]; k += 1\n"
                                 "    time.sleep(0.001)\n"
                                 "' " + sample + " " + fifo + " & } && \"$OSTREL\" " + fifo);
    EXPECT_EQ(r.out, direct.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

}  // namespace
}  // namespace ostrel::test
