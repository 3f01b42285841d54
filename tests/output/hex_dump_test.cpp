#include "output/hex_dump.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

std::string dump(std::size_t length, unsigned indent)
{
    std::vector<unsigned char> data(length);
    for (std::size_t i = 0; i < length; ++i)
        data[i] = static_cast<unsigned char>(i * 0x11 + 0x0A);
    std::string text(dump_size(length, indent), '\0');
    char* end = dump_bytes(text.data(), data.data(), length, indent);
    text.resize(static_cast<std::size_t>(end - text.data()));
    return text;
}

TEST(HexDump, EmptyDumpSaysNoData)
{
    EXPECT_EQ(dump(0, 3), "   no data\n");
    EXPECT_EQ(dump(0, 6), "      no data\n");
}

TEST(HexDump, OneByteHasNoColon) { EXPECT_EQ(dump(1, 3), "   0A\n"); }

TEST(HexDump, FullLineEndsWithoutColonWhenLast)
{
    EXPECT_EQ(dump(16, 3), "   0A:1B:2C:3D:4E:5F:70:81:92:A3:B4:C5:D6:E7:F8:09\n");
}

TEST(HexDump, FullLineBeforeAnotherEndsInColon)
{
    EXPECT_EQ(dump(17, 3),
              "   0A:1B:2C:3D:4E:5F:70:81:92:A3:B4:C5:D6:E7:F8:09:\n"
              "   1A\n");
    EXPECT_EQ(dump(20, 6),
              "      0A:1B:2C:3D:4E:5F:70:81:92:A3:B4:C5:D6:E7:F8:09:\n"
              "      1A:2B:3C:4D\n");
}

TEST(HexDump, WritesNothingPastItsBound)
{
    for (std::size_t length = 0; length <= 184; ++length) {
        for (unsigned indent : {3u, 6u}) {
            const std::vector<unsigned char> data(length, 0xAB);
            std::string text(dump_size(length, indent) + 64, '\x7f');
            dump_bytes(text.data(), data.data(), length, indent);
            EXPECT_EQ(text.find_first_not_of('\x7f', dump_size(length, indent)), std::string::npos) << length;
        }
    }
}

}  // namespace
}  // namespace ostrel
