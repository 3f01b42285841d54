// libFuzzer target: the input bytes are the stream file, run through every
// report: the packet report of all PIDs and of one, step mode with a short
// scripted keyboard, the PAT, the PMT on a PID taken from the input, and the
// decoded report, each reading plain packets and with --resync; then
// --summary, --check, --tables and --timeline, as text and as JSON, and the
// page of --html:; and two through a page-aligned
// window as the program reads files; the codec header probes on the bytes;
// the note on an ignored argument made of them;
// and the bytes as the frames of a network capture (behind a pcap header of
// each link type read), through --flows and the reports of its flow; the
// bytes as a playlist's text, and as the segments of a playlist (twice, a
// discontinuity between) through --hls and the other reports; the bytes as
// the addresses of srt:// and --metrics:, and as a metric's label.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "cli/option_notes.hpp"
#include "cli/run.hpp"
#include "codecs/codec_id.hpp"
#include "codecs/stream_format.hpp"
#include "sources/capture/frames.hpp"
#include "sources/udp/udp_receiver.hpp"
#include "sources/file/byte_window.hpp"
#include "output/metrics_server.hpp"
#include "output/metrics_text.hpp"
#include "reports/metrics/metrics_tap.hpp"
#include "sources/hls/attribute_list.hpp"
#include "sources/srt/srt_receiver.hpp"
#include "sources/hls/playlist.hpp"
#include "sources/hls/fetch.hpp"
#include <unistd.h>

namespace {

std::FILE* const sink = std::fopen("/dev/null", "wb");

// Small buffers and reads of 300 bytes put read edges inside most inputs and
// inside most packets.
unsigned char block[ostrel::max_lookahead + 100];
char text[32 * 1024];
const ostrel::RunBuffers buffers{block, sizeof block, 300, text, sizeof text};
// The program's own way: a page-aligned window read a page at a time.
alignas(ostrel::page_bytes) unsigned char pages[3 * ostrel::page_bytes];
const ostrel::RunBuffers paged{pages, sizeof pages, ostrel::page_bytes, text, sizeof text};

void run_once(const std::uint8_t* data, std::size_t size, std::initializer_list<const char*> arguments,
              const ostrel::RunBuffers& with = buffers)
{
    // A stream in memory; fmemopen refuses a buffer of size 0.
    static const std::uint8_t empty = 0;
    std::FILE* file = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb")
                               : fmemopen(const_cast<std::uint8_t*>(&empty), 1, "rb");
    if (size == 0 && file != nullptr)
        std::fgetc(file);  // at its end, as an empty file is
    char keys_text[] = "\n\nkeys without a newline";
    std::FILE* keys = fmemopen(keys_text, sizeof keys_text - 1, "rb");
    if (file != nullptr && keys != nullptr) {
        ostrel::RunOptions options;
        for (const char* argument : arguments)
            ostrel::apply_option(options, argument);
        ostrel::run_on_file(options, file, "fuzz.ts", with, sink, keys, sink);
    }
    if (file != nullptr)
        std::fclose(file);
    if (keys != nullptr)
        std::fclose(keys);
}

// A pcap header (nanosecond times, little-endian) for `link_type`, then the bytes as its records.
std::vector<std::uint8_t> as_capture(const std::uint8_t* data, std::size_t size, unsigned link_type)
{
    std::vector<std::uint8_t> c = {0x4D, 0x3C, 0xB2, 0xA1, 2, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0};
    for (int i = 0; i < 4; ++i)
        c.push_back(static_cast<std::uint8_t>(link_type >> (8 * i)));
    c.insert(c.end(), data, data + size);
    return c;
}

void run_capture(const std::uint8_t* data, std::size_t size)
{
    static constexpr unsigned links[] = {ostrel::link_ethernet, ostrel::link_raw, ostrel::link_sll,
                                         ostrel::link_sll2, ostrel::link_null, ostrel::link_loop};
    const std::vector<std::uint8_t> capture = as_capture(data + 1, size - 1, links[data[0] % std::size(links)]);
    run_once(capture.data(), capture.size(), {"--flows"});
    run_once(capture.data(), capture.size(), {"--flows", "--json"});
    run_once(capture.data(), capture.size(), {"--summary"});
    run_once(capture.data(), capture.size(), {"--summary", "--json"});
    run_once(capture.data(), capture.size(), {"--check:3"});
    run_once(capture.data(), capture.size(), {"--decode"});
    run_once(capture.data(), capture.size(), {"--timeline:0.01"});
    run_once(capture.data(), capture.size(), {"--html:/dev/null"});
    run_once(capture.data(), capture.size(), {"--flow:239.1.1.1:5000", "--tables"});
    ostrel::Datagram d;
    for (unsigned link : links)
        ostrel::read_frame(static_cast<int>(link), data, size, d);
    // The bytes as an argument the command line does not take, and as the address of a live stream.
    ostrel::ignored_note(std::string(reinterpret_cast<const char*>(data), size).c_str());
    const std::string url = "udp://" + std::string(reinterpret_cast<const char*>(data), size);
    ostrel::UdpAddress address;
    std::string error;
    ostrel::parse_udp_url(url.c_str(), address, error);
}

}  // namespace

// The bytes as the addresses srt:// and --metrics: take, and as label values
// of the metrics (never opened or listened on).
void run_addresses(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ostrel::SrtAddress srt;
    std::string error;
    (void)ostrel::parse_srt_url(("srt://" + text).c_str(), srt, error);
    ostrel::MetricsAddress metrics;
    (void)ostrel::parse_metrics_address(text, metrics);
    ostrel::MetricsText m;
    m.sample("ostrel_fuzz", static_cast<double>(size), {{"input", ostrel::masked_input(text)}});
}

// The bytes as a playlist's text (never fetched: its URIs could name
// anything), then as a segment of a playlist on disk, read twice with and
// without a discontinuity between.
void run_playlists(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)ostrel::parse_playlist(text);
    std::vector<ostrel::PlaylistAttribute> attributes;
    (void)ostrel::read_attribute_list(text, attributes);
    (void)ostrel::resolve_location(text.substr(0, size / 2), text.substr(size / 2));
    static const std::string segment = "/tmp/ostrel-fuzz-" + std::to_string(getpid()) + ".ts";
    static const std::string playlist = "/tmp/ostrel-fuzz-" + std::to_string(getpid()) + ".m3u8";
    std::FILE* s = std::fopen(segment.c_str(), "wb");
    std::FILE* p = std::fopen(playlist.c_str(), "wb");
    if (s != nullptr && p != nullptr) {
        std::fwrite(data, 1, size, s);
        std::fprintf(p, "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:1\n#EXT-X-INDEPENDENT-SEGMENTS\n"
                        "#EXTINF:0.5,\n%s\n#EXTINF:0.5,\n%s\n#EXT-X-DISCONTINUITY\n#EXTINF:1.5,\n%s\n#EXT-X-ENDLIST\n",
                     segment.c_str(), segment.c_str(), segment.c_str());
    }
    if (s != nullptr)
        std::fclose(s);
    if (p != nullptr)
        std::fclose(p);
    for (std::initializer_list<const char*> arguments :
         {std::initializer_list<const char*>{"--hls"}, {"--hls", "--json", "--all"}, {"--check"}, {"--summary"}}) {
        ostrel::RunOptions options;
        for (const char* argument : arguments)
            ostrel::apply_option(options, argument);
        ostrel::run_playlist(options, playlist.c_str(), buffers, sink, nullptr, sink);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char pid_option[] = "--pid:0000";
    char pmt_option[] = "--pmt:0000";
    if (size >= 3)
        std::snprintf(pid_option + 6, 5, "%04X", ((data[1] & 0x1Fu) << 8) | data[2]);
    if (size >= 2)
        std::snprintf(pmt_option + 6, 5, "%04X", ((data[size - 2] & 0x1Fu) << 8) | data[size - 1]);
    // Each report as it reads plain 188-byte packets, then with --resync.
    for (const char* reading : {"", "--resync"}) {
        run_once(data, size, {reading});
        run_once(data, size, {reading, pid_option});
        run_once(data, size, {reading, "-walk", pid_option});
        run_once(data, size, {reading, "--pat"});
        run_once(data, size, {reading, pmt_option});
        run_once(data, size, {reading, "--decode", pid_option});
    }
    // The one pass behind both, as text and as JSON.
    run_once(data, size, {"--summary"});
    run_once(data, size, {"--check", "--json"});
    run_once(data, size, {"--summary", "--json"});
    run_once(data, size, {"--check"});
    run_once(data, size, {"--check:3"});
    run_once(data, size, {"--check:3", "--json"});
    run_once(data, size, {"--check:1", "--all"});
    run_once(data, size, {"--write:/dev/null", "--program:1", "--from:0.1s"});
    run_once(data, size, {"--write:/dev/null", "--es:0100", "--to:20"});
    run_once(data, size, {"--cues"});
    run_once(data, size, {"--cues", "--json"});
    run_once(data, size, {"--tables"});
    run_once(data, size, {"--tables", "--json"});
    run_once(data, size, {"--tables", "--json", pid_option});
    run_once(data, size, {"--timeline:0.01"});
    run_once(data, size, {"--timeline", "--json"});
    run_once(data, size, {"--html:/dev/null"});
    // The header probes and the codec naming on the bytes as they are.
    ostrel::StreamFormat format;
    ostrel::probe_mpeg_video(data, size, true, format);
    ostrel::probe_mpeg_video(data, size, false, format);
    ostrel::probe_h264(data, size, format);
    ostrel::probe_hevc(data, size, format);
    ostrel::probe_adts(data, size, format);
    ostrel::probe_mpeg_audio(data, size, format);
    ostrel::probe_ac3(data, size, format);
    ostrel::probe_dts(data, size, format);
    ostrel::probe_latm(data, size, format);
    if (size > 0) {
        ostrel::identify_codec(data[0], data + 1, size - 1, data, size / 2);
        ostrel::stream_languages(data, size);
    }
    run_once(data, size, {"--resync"}, paged);
    run_once(data, size, {"--check"}, paged);
    if (size > 0)
        run_capture(data, size);
    run_playlists(data, size);
    run_addresses(data, size);
    return 0;
}
