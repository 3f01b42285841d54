// The bounded reader, DVB strings, SI times and the descriptor decoders, each
// on bytes built here with the values worked out by hand from EN 300 468 and
// ISO/IEC 13818-1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.hpp"
#include "psi/dvb/dvb_text.hpp"
#include "ts/reader.hpp"
#include "psi/dvb/si_time.hpp"

namespace ostrel::test {
namespace {

TEST(Reader, FieldsMostSignificantBitFirstAndCutAtTheEnd)
{
    const unsigned char bytes[] = {0xE1, 0x00, 0xF0, 0x05};
    Reader r = reader_of(bytes, sizeof bytes);
    EXPECT_EQ(r.bits(3), 7u);        // 111
    EXPECT_EQ(r.bits(13), 0x0100u);  // 0 0001 0000 0000
    EXPECT_EQ(r.bits(4), 0xFu);
    EXPECT_FALSE(r.cut);
    EXPECT_EQ(r.bits(12), 5u);
    EXPECT_FALSE(r.more());
    EXPECT_EQ(r.bits(1), 0u);  // past the end: 0, and cut
    EXPECT_TRUE(r.cut);

    Reader s = reader_of(bytes, sizeof bytes);
    s.skip(4);
    Reader part = s.take(2);  // from the next byte boundary: 00 F0
    EXPECT_EQ(part.size, 2u);
    EXPECT_EQ(part.u16(), 0x00F0u);
    EXPECT_FALSE(s.cut);
    Reader over = s.take(5);  // one byte left
    EXPECT_EQ(over.size, 1u);
    EXPECT_TRUE(s.cut);
    EXPECT_EQ(over.u8(), 0x05u);
    EXPECT_EQ(over.u8(), 0u);
    EXPECT_TRUE(over.cut);
}

struct Text {
    const char* name;
    Bytes bytes;
    const char* utf8;
};

TEST(DvbText, CharacterTablesControlCodesAndBadBytes)
{
    const Text cases[] = {
        {"empty", {}, ""},
        {"ISO/IEC 6937: plain", {'N', 'e', 'w', 's'}, "News"},
        // 0xC2 acute accent before the letter, 0xC8 diaeresis, 0xFB sharp s
        {"ISO/IEC 6937: diacritics before the letter", {'C', 'a', 'f', 0xC2, 'e', ' ', 0xC8, 'u', 0xFB}, "Café üß"},
        {"ISO/IEC 6937: the euro sign at 0xA4", {'5', ' ', 0xA4}, "5 \xE2\x82\xAC"},
        {"ISO/IEC 8859-9 by 0x05", {0x05, 0xDD, 'z', 'm', 'i', 'r'}, "\xC4\xB0zmir"},   // İzmir
        {"ISO/IEC 8859-2 by 0x10 00 02", {0x10, 0x00, 0x02, 0xB1}, "\xC4\x85"},          // ą
        {"ISO/IEC 8859-5 by 0x01", {0x01, 0xBF, 0xE0, 0xD8}, "\xD0\x9F\xD1\x80\xD0\xB8"},  // При
        {"UCS-2 by 0x11", {0x11, 0x00, 'A', 0x20, 0xAC}, "A\xE2\x82\xAC"},
        {"UTF-8 by 0x15", {0x15, 'S', 't', 'r', 'a', 0xC3, 0x9F, 'e'}, "Stra\xC3\x9F" "e"},
        {"Big5 by 0x14", {0x14, 0xA4, 0xA4, 0xA4, 0xE5}, "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
        {"0x8A a line break, 0x86/0x87 dropped", {0x86, 'A', 0x87, 0x8A, 'B'}, "A\nB"},
        {"UCS-2 control codes", {0x11, 0xE0, 0x86, 0x00, 'A', 0xE0, 0x8A, 0x00, 'B'}, "A\nB"},
        {"UTF-8 control codes", {0x15, 'A', 0xEE, 0x82, 0x8A, 'B'}, "A\nB"},
        {"a byte that is no UTF-8", {0x15, 'A', 0xFF, 'B'}, "A\xEF\xBF\xBD" "B"},
        // A selector of no known table is U+FFFD; the rest is read in the default table.
        {"a reserved first byte", {0x1E, 'A'}, "\xEF\xBF\xBD" "A"},
        {"0x0E, then broadcast text of another standard", {0x0E, 0x89, 'B', 'S', '1'}, "\xEF\xBF\xBD" "BS1"},
        {"0x10 with a part that is no table", {0x10, 0x00, 0x0C, 'A'}, "\xEF\xBF\xBD" "A"},
        {"0x1F: a compressed text, not decoded", {0x1F, 0x01, 'A'}, "\xEF\xBF\xBD"},
        // RFC 3629: nothing past U+10FFFF, no five-byte forms; each byte of them is U+FFFD.
        {"UTF-8 past U+10FFFF", {0x15, 0xF4, 0x90, 0x80, 0x80}, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"UTF-8 lead byte F5", {0x15, 0xF5, 0x80, 0x80, 0x80, 'x'},
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "x"},
        {"UTF-8 five-byte form", {0x15, 0xF8, 0x88, 0x80, 0x80, 0x80},
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"UTF-8 U+10FFFF itself", {0x15, 0xF4, 0x8F, 0xBF, 0xBF}, "\xF4\x8F\xBF\xBF"},
    };
    DvbText text;
    for (const Text& c : cases)
        EXPECT_EQ(text.to_utf8(c.bytes.data(), c.bytes.size()), c.utf8) << c.name;
}

TEST(SiTime, MjdUtcDurationsAndBcd)
{
    // EN 300 468 Annex C: 93/10/13 12:45:00 is coded 0xC079124500.
    EXPECT_EQ(mjd_utc_text(0xC079124500), "1993-10-13T12:45:00Z");
    EXPECT_EQ(mjd_utc_text(std::uint64_t{0xEFC7} << 24 | 0x153945), "2026-12-09T15:39:45Z");  // MJD 61383
    EXPECT_EQ(mjd_utc_text(0xFFFFFFFFFF), "unknown");
    EXPECT_EQ(mjd_utc_text(0xC0791A4500), "unknown");  // 1A is no BCD
    EXPECT_EQ(bcd_duration_text(0x013000), "01:30:00");
    EXPECT_EQ(bcd_hhmm_text(0x0130), "01:30");
    EXPECT_EQ(bcd_decimal_text(0x01136250, 8, 5), "11.36250");
    EXPECT_EQ(bcd_decimal_text(0x0192, 4, 1), "19.2");
    EXPECT_EQ(bcd_decimal_text(0x0274500, 7, 4), "27.4500");
}

}  // namespace
}  // namespace ostrel::test
