// Texts as they are written: well-formed UTF-8 kept, every other byte U+FFFD
// in decoded text and \xHH in a name; controls never written raw.
#include <gtest/gtest.h>

#include <string>

#include "reports/tables/tables_output.hpp"
#include "ts/utf8.hpp"

namespace ostrel {
namespace {

struct Shown {
    const char* name;
    std::string in;
    const char* valid;   // valid_utf8
    const char* quoted;  // quoted_text, as the text reports write a value
    const char* file;    // shown_name, as a file name is written
};

TEST(Utf8, ReplacedQuotedAndShown)
{
    const Shown cases[] = {
        {"plain", "a.ts", "a.ts", "\"a.ts\"", "a.ts"},
        {"two-, three-, four-byte forms", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xBA", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xBA",
         "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xBA\"", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xBA"},
        {"C0: ESC, BEL, a newline", "a\x1B[2Jb\x07\n", "a\x1B[2Jb\x07\n", "\"a\\x1B[2Jb\\x07\\n\"", "a\\x1B[2Jb\\x07\\x0A"},
        {"DEL", "\x7F", "\x7F", "\"\\x7F\"", "\\x7F"},
        // U+009B (CSI) and U+0085 (NEL) are C2 9B and C2 85; U+00A0 is no control.
        {"C1: CSI, NEL", "\xC2\x9B" "1m\xC2\x85\xC2\xA0", "\xC2\x9B" "1m\xC2\x85\xC2\xA0", "\"\\x9B1m\\x85\xC2\xA0\"",
         "\\xC2\\x9B1m\\xC2\\x85\xC2\xA0"},
        {"a lone continuation byte", "a\x80", "a\xEF\xBF\xBD", "\"a\xEF\xBF\xBD\"", "a\\x80"},
        {"an overlong slash", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", "\\xC0\\xAF"},
        {"a surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
         "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"", "\\xED\\xA0\\x80"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
         "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"", "\\xF4\\x90\\x80\\x80"},
        {"a sequence cut at the end", "x\xE2\x82", "x\xEF\xBF\xBD\xEF\xBF\xBD", "\"x\xEF\xBF\xBD\xEF\xBF\xBD\"",
         "x\\xE2\\x82"},
        {"quote and backslash", "\"\\", "\"\\", "\"\\\"\\\\\"", "\"\\"},
    };
    for (const Shown& c : cases) {
        EXPECT_EQ(valid_utf8(c.in), c.valid) << c.name;
        EXPECT_EQ(quoted_text(c.in), c.quoted) << c.name;
        EXPECT_EQ(shown_name(c.in), c.file) << c.name;
    }
}

}  // namespace
}  // namespace ostrel
