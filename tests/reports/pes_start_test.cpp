// PES start detection, as the payload dump shows it after the payload's hex lines.
#include "reports/packets/pes_start.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/packets/packet_report.hpp"

namespace ostrel {
namespace {

const std::string video = "ITU-T Rec. H.262 | ISO/IEC 13818-2, ISO/IEC 11172-2, ISO/IEC 14496-2 or ITU-T Rec. H.264 | "
                          "ISO/IEC 14496-10 video stream number #";
const std::string audio =
    "ISO/IEC 13818-3 or ISO/IEC 11172-3 or ISO/IEC 13818-7 or ISO/IEC 14496-3 audio stream number #";

std::string payload_dump(const std::vector<unsigned char>& payload, unsigned start = 1, unsigned pid = 0x0100)
{
    std::string text(max_block_size, '\0');
    char* end = dump_payload(text.data(), payload.data(), payload.size(), start, pid, false);
    text.resize(static_cast<std::size_t>(end - text.data()));
    return text;
}

const std::vector<unsigned char> video_start = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x80, 0x05, 0x21,
                                                0x00, 0x01, 0x00, 0x01, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
const std::string video_hex = "   00:00:01:E0:00:00:80:80:05:21:00:01:00:01:AA:BB:\n"
                              "   CC:DD:EE:FF\n";

TEST(PesStart, VideoStartSplitsHeaderFromData)
{
    EXPECT_EQ(payload_dump(video_start), video_hex + "   => PES Starts: " + video +
                                             "0\n"
                                             "      [Header]\n"
                                             "      00:00:01:E0:00:00:80:80:05:21:00:01:00:01\n"
                                             "      [Data]\n"
                                             "      AA:BB:CC:DD:EE:FF\n");
}

TEST(PesStart, OnlyStartPacketsOfElementaryPidsAreSearched)
{
    for (unsigned pid : {0x0000u, 0x000Fu, 0x1FFFu})
        EXPECT_EQ(payload_dump(video_start, 1, pid), video_hex) << pid;
    EXPECT_EQ(payload_dump(video_start, 0, 0x0100), video_hex);
    for (unsigned pid : {0x0010u, 0x1FFEu})
        EXPECT_NE(payload_dump(video_start, 1, pid), video_hex) << pid;
}

TEST(PesStart, StreamNumbersAndTextsWithoutNumbers)
{
    std::vector<unsigned char> p = video_start;
    p[3] = 0xC5;
    EXPECT_EQ(payload_dump(p).substr(video_hex.size(), 18 + audio.size() + 2),
              "   => PES Starts: " + audio + "5\n");
    p[3] = 0xEF;
    EXPECT_EQ(payload_dump(p).substr(video_hex.size(), 18 + video.size() + 3),
              "   => PES Starts: " + video + "15\n");
    p[3] = 0xBD;
    EXPECT_EQ(payload_dump(p).substr(video_hex.size(), 35), "   => PES Starts: private_stream_1\n");
    // A byte below 0xBC is no stream_id; the dumps follow all the same.
    p[3] = 0x42;
    EXPECT_EQ(payload_dump(p), "   00:00:01:42:00:00:80:80:05:21:00:01:00:01:AA:BB:\n"
                               "   CC:DD:EE:FF\n"
                               "   => PES Starts: not a PES stream_id\n"
                               "      [Header]\n"
                               "      00:00:01:42:00:00:80:80:05:21:00:01:00:01\n"
                               "      [Data]\n"
                               "      AA:BB:CC:DD:EE:FF\n");
}

TEST(PesStart, SearchCoversTheWholePayloadAndKeepsTheFirstHit)
{
    const std::vector<unsigned char> p = {0x11, 0x00, 0x00, 0x01, 0xC0, 0x00, 0x00, 0x01,
                                          0xE0, 0x00, 0x01, 0x33, 0x44};
    EXPECT_EQ(payload_dump(p), "   11:00:00:01:C0:00:00:01:E0:00:01:33:44\n"
                               "   => PES Starts: " +
                                   audio +
                                   "0\n"
                                   "      [Header]\n"
                                   "      00:00:01:C0:00:00:01:E0:00\n"
                                   "      [Data]\n"
                                   "      01:33:44\n");
    EXPECT_EQ(find_pes_start(p.data(), p.size()), 1u);
}

TEST(PesStart, StartCodeNeedsRoomForItsStreamId)
{
    const std::vector<unsigned char> at_end = {0xAA, 0x00, 0x00, 0x01};
    EXPECT_EQ(find_pes_start(at_end.data(), at_end.size()), at_end.size());
    EXPECT_EQ(payload_dump(at_end), "   AA:00:00:01\n");
    // A short payload after a 180-byte adaptation field.
    EXPECT_EQ(payload_dump({0x00, 0x00, 0x01}), "   00:00:01\n");
}

TEST(PesStart, HeaderThatEndsWithThePayloadLeavesNoData)
{
    const std::vector<unsigned char> p = {0x00, 0x00, 0x01, 0xBE, 0x00, 0x02, 0xFF, 0xFF, 0x02, 0x10, 0x20};
    EXPECT_EQ(payload_dump(p), "   00:00:01:BE:00:02:FF:FF:02:10:20\n"
                               "   => PES Starts: padding_stream\n"
                               "      [Header]\n"
                               "      00:00:01:BE:00:02:FF:FF:02:10:20\n"
                               "      [Data]\n"
                               "      no data\n");
}

TEST(PesStart, HeaderRunningPastThePayloadIsCutThere)
{
    // header_data_length 0x40 announces more bytes than the payload holds
    const std::vector<unsigned char> p = {0x00, 0x00, 0x01, 0xE1, 0x00, 0x00, 0x80, 0x80, 0x40, 0x21, 0x22};
    EXPECT_EQ(payload_dump(p), "   00:00:01:E1:00:00:80:80:40:21:22\n"
                               "   => PES Starts: " +
                                   video +
                                   "1\n"
                                   "      [Header]\n"
                                   "      00:00:01:E1:00:00:80:80:40:21:22\n"
                                   "      [Data]\n"
                                   "      no data\n");
    // header_data_length itself lies past the payload
    const std::vector<unsigned char> q = {0x77, 0x00, 0x00, 0x01, 0xFF, 0x00, 0x00};
    EXPECT_EQ(payload_dump(q), "   77:00:00:01:FF:00:00\n"
                               "   => PES Starts: program_stream_directory\n"
                               "      [Header]\n"
                               "      00:00:01:FF:00:00\n"
                               "      [Data]\n"
                               "      no data\n");
}

}  // namespace
}  // namespace ostrel
