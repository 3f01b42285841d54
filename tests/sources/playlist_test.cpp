// Playlists as RFC 8216 writes them: attribute lists, the fields of media
// and multivariant playlists, the lines the RFC does not allow, and where
// relative URIs lead. Every row written here by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources/hls/attribute_list.hpp"
#include "sources/hls/fetch.hpp"
#include "sources/hls/playlist.hpp"

namespace ostrel::test {
namespace {

TEST(Playlist, AttributeListsAndNumbers)
{
    struct Row {
        const char* list;
        bool ok;
        std::vector<std::pair<std::string, std::string>> attributes;
    };
    const Row rows[] = {
        {"BANDWIDTH=1280000,AVERAGE-BANDWIDTH=1000000", true, {{"BANDWIDTH", "1280000"}, {"AVERAGE-BANDWIDTH", "1000000"}}},
        {"CODECS=\"avc1.4d401f,mp4a.40.2\",RESOLUTION=640x360", true,
         {{"CODECS", "avc1.4d401f,mp4a.40.2"}, {"RESOLUTION", "640x360"}}},
        {"NAME=\"\"", true, {{"NAME", ""}}},
        {"", true, {}},
        {"URI=\"a.m3u8", false, {}},       // an unclosed quote
        {"bandwidth=1", false, {}},        // names are upper case
        {"BANDWIDTH", false, {}},          // no value
        {"A=1,A=2", false, {}},            // a name twice
        {"A=1,", false, {}},               // a comma with nothing after it
        {"A=\"x\"y", false, {}},           // text after the closing quote
    };
    for (const Row& row : rows) {
        std::vector<PlaylistAttribute> got;
        EXPECT_EQ(read_attribute_list(row.list, got), row.ok) << row.list;
        if (!row.ok)
            continue;
        ASSERT_EQ(got.size(), row.attributes.size()) << row.list;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].name, row.attributes[i].first);
            EXPECT_EQ(got[i].value, row.attributes[i].second);
        }
    }
    std::uint64_t n = 0;
    EXPECT_TRUE(read_decimal_integer("18446744073709551615", n));  // 2^64 - 1
    EXPECT_EQ(n, UINT64_MAX);
    EXPECT_FALSE(read_decimal_integer("18446744073709551616", n));  // 2^64
    EXPECT_FALSE(read_decimal_integer("-1", n));
    EXPECT_FALSE(read_decimal_integer("", n));
    double d = 0;
    EXPECT_TRUE(read_decimal_float("9.009", d));
    EXPECT_NEAR(d, 9.009, 1e-12);
    EXPECT_FALSE(read_decimal_float("-2.0", d));
    EXPECT_FALSE(read_decimal_float("1.2.3", d));
    EXPECT_FALSE(read_decimal_float(".", d));
    EXPECT_FALSE(read_decimal_float(std::string(400, '9'), d));  // past what a duration can be
    int w = 0, h = 0;
    EXPECT_TRUE(read_resolution("1920x1080", w, h));
    EXPECT_EQ(w * 10000 + h, 1920 * 10000 + 1080);
    EXPECT_FALSE(read_resolution("1920x", w, h));
    EXPECT_FALSE(read_resolution("0x1080", w, h));
}

TEST(Playlist, MediaPlaylistFields)
{
    const Playlist p = parse_playlist(
        "#EXTM3U\r\n#EXT-X-VERSION:4\r\n#EXT-X-TARGETDURATION:6\r\n#EXT-X-MEDIA-SEQUENCE:100\r\n"
        "#EXT-X-DISCONTINUITY-SEQUENCE:7\r\n# a comment\r\n#EXT-X-UNKNOWN-TAG:x\r\n"
        "#EXTINF:5.005,first\r\na.ts\r\n"
        "#EXT-X-DISCONTINUITY\r\n#EXTINF:6,\r\n#EXT-X-BYTERANGE:1000@376\r\nb.ts\r\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"k\"\r\n#EXTINF:4.5,\r\n#EXT-X-BYTERANGE:500\r\nb.ts\r\n#EXT-X-ENDLIST\r\n");
    EXPECT_TRUE(p.problems.empty()) << p.problems[0].text;
    EXPECT_FALSE(p.multivariant);
    EXPECT_EQ(p.version, 4u);
    EXPECT_EQ(p.target_duration, 6u);
    EXPECT_TRUE(p.endlist);
    ASSERT_EQ(p.segments.size(), 3u);
    const MediaSegment& a = p.segments[0];
    const MediaSegment& b = p.segments[1];
    const MediaSegment& c = p.segments[2];
    EXPECT_EQ(a.uri, "a.ts");
    EXPECT_DOUBLE_EQ(a.extinf, 5.005);
    EXPECT_EQ(a.sequence, 100u);
    EXPECT_EQ(a.discontinuity_sequence, 7u);
    EXPECT_TRUE(b.discontinuity);
    EXPECT_EQ(b.sequence, 101u);
    EXPECT_EQ(b.discontinuity_sequence, 8u);  // one discontinuity after the first segment
    EXPECT_TRUE(b.ranged);
    EXPECT_EQ(b.range_length, 1000u);
    EXPECT_EQ(b.range_offset, 376u);
    EXPECT_EQ(c.range_offset, 1376u);  // a range without an offset follows the one before
    EXPECT_EQ(c.key_method, "AES-128");
    EXPECT_EQ(c.discontinuity_sequence, 8u);
}

TEST(Playlist, MultivariantFields)
{
    const Playlist p = parse_playlist(
        "#EXTM3U\n#EXT-X-INDEPENDENT-SEGMENTS\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"English, main\",LANGUAGE=\"en\",DEFAULT=YES,URI=\"a/en.m3u8\"\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=2200000,AVERAGE-BANDWIDTH=2000000,CODECS=\"avc1.64001f,mp4a.40.2\","
        "RESOLUTION=1280x720,FRAME-RATE=29.970,AUDIO=\"aud\"\nhi/index.m3u8\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=600000\nlo/index.m3u8\n");
    EXPECT_TRUE(p.problems.empty());
    ASSERT_TRUE(p.multivariant);
    ASSERT_EQ(p.variants.size(), 2u);
    const VariantStream& v = p.variants[0];
    EXPECT_EQ(v.uri, "hi/index.m3u8");
    EXPECT_EQ(v.bandwidth, 2200000u);
    EXPECT_EQ(v.average_bandwidth, 2000000u);
    EXPECT_EQ(v.codecs, "avc1.64001f,mp4a.40.2");
    EXPECT_EQ(v.width, 1280);
    EXPECT_EQ(v.height, 720);
    EXPECT_DOUBLE_EQ(v.frame_rate, 29.97);
    EXPECT_EQ(v.audio, "aud");
    EXPECT_EQ(p.variants[1].average_bandwidth, 0u);
    ASSERT_EQ(p.renditions.size(), 1u);
    EXPECT_EQ(p.renditions[0].name, "English, main");
    EXPECT_EQ(p.renditions[0].uri, "a/en.m3u8");
    EXPECT_TRUE(p.renditions[0].is_default);
}

TEST(Playlist, LinesTheRfcDoesNotAllow)
{
    struct Row {
        std::string text;
        std::vector<std::pair<unsigned, std::string>> problems;  // line, text
    };
    const std::string h = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n";
    const Row rows[] = {
        {"", {{1, "the first line is not #EXTM3U"}, {1, "no #EXT-X-TARGETDURATION"}}},
        {"#EXTINF:2,\na.ts\n", {{1, "the first line is not #EXTM3U"}, {1, "no #EXT-X-TARGETDURATION"}}},
        {"#EXTM3U\n#EXTINF:2,\na.ts\n", {{1, "no #EXT-X-TARGETDURATION"}}},
        {h + "#EXTINF:2,\n#EXTINF:2,\nb.ts\n", {{4, "#EXTINF without a URI"}}},
        {h + "#EXTINF:2,\n", {{4, "#EXTINF without a URI"}}},
        {h + "a.ts\n", {{4, "a URI without #EXTINF"}}},
        {h + "#EXTINF:-2,\na.ts\n", {{4, "#EXTINF: the duration is not a decimal number of seconds"}}},
        {h + "#EXTINF:2,\na.ts\n#EXT-X-TARGETDURATION:99999999999999999999\n",
         {{6, "#EXT-X-TARGETDURATION given twice"}, {6, "#EXT-X-TARGETDURATION: not a decimal integer"}}},
        // Version 1 (none given): a decimal duration needs 3, a byte range 4.
        {"#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.5,\n#EXT-X-BYTERANGE:10@0\na.ts\n",
         {{3, "a decimal #EXTINF duration needs #EXT-X-VERSION 3 or more (the playlist's is 1)"},
          {4, "#EXT-X-BYTERANGE or #EXT-X-I-FRAMES-ONLY needs #EXT-X-VERSION 4 or more (the playlist's is 1)"}}},
        {h + "#EXT-X-KEY:URI=\"k\"\n#EXTINF:2,\na.ts\n", {{4, "#EXT-X-KEY without METHOD"}}},
        {h + "#EXT-X-PLAYLIST-TYPE:LIVE\n#EXTINF:2,\na.ts\n", {{4, "#EXT-X-PLAYLIST-TYPE: neither VOD nor EVENT"}}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:RESOLUTION=1x1\na.m3u8\n", {{2, "#EXT-X-STREAM-INF without BANDWIDTH"}}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n", {{2, "#EXT-X-STREAM-INF without a URI"}}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1,CODECS=\"a\n", {{2, "#EXT-X-STREAM-INF: the attribute list cannot be read"},
                                                                 {2, "#EXT-X-STREAM-INF without a URI"}}},
        {"#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,NAME=\"x\"\n#EXT-X-STREAM-INF:BANDWIDTH=1\na.m3u8\n",
         {{2, "#EXT-X-MEDIA without GROUP-ID"}}},
        {"#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-STREAM-INF:BANDWIDTH=1\na.m3u8\n",
         {{1, "media segment tags and variant streams in one playlist"}}},
    };
    for (const Row& row : rows) {
        const Playlist p = parse_playlist(row.text);
        std::vector<std::pair<unsigned, std::string>> got;
        for (const PlaylistProblem& problem : p.problems)
            got.emplace_back(problem.line, problem.text);
        EXPECT_EQ(got, row.problems) << row.text;
    }
}

TEST(Playlist, WhereRelativeUrisLead)
{
    struct Row {
        const char* base;
        const char* reference;
        const char* location;
    };
    const Row rows[] = {
        {"http://h:8000/live/index.m3u8?token=1", "seg1.ts", "http://h:8000/live/seg1.ts"},
        {"http://h:8000/live/index.m3u8", "/other/seg1.ts", "http://h:8000/other/seg1.ts"},
        {"https://h/live/index.m3u8", "//cdn.example/seg1.ts", "https://cdn.example/seg1.ts"},
        {"http://h/live/index.m3u8", "https://elsewhere/seg1.ts", "https://elsewhere/seg1.ts"},
        {"http://h", "seg1.ts", "http://h/seg1.ts"},
        {"hls/vod/index.m3u8", "seg1.ts", "hls/vod/seg1.ts"},
        {"index.m3u8", "seg1.ts", "seg1.ts"},
        {"/srv/hls/index.m3u8", "/data/seg1.ts", "/data/seg1.ts"},
        {"/srv/hls/index.m3u8", "file:///data/seg1.ts", "/data/seg1.ts"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(resolve_location(row.base, row.reference), row.location) << row.base << " " << row.reference;
    EXPECT_TRUE(is_http_url("HTTPS://h/x"));
    EXPECT_FALSE(is_http_url("httpx://h/x"));
}

}  // namespace
}  // namespace ostrel::test
