// Live input on the loopback interface only: a sender thread plays a
// fixture at its pace to 127.0.0.1 (or to a multicast group on lo), the
// program receives it on a udp:// address.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <nlohmann/json.hpp>

#include "support/capture_writer.hpp"

namespace ostrel::test {
namespace {

using namespace std::chrono_literals;

// A port nobody holds now.
unsigned free_port()
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    close(fd);
    return ntohs(a.sin_port);
}

// Plays `ts` in datagrams of seven packets, 26.32 ms apart (the fixture's
// 400 kbit/s), `loops` times, after `delay`; RTP when asked.
struct Sender {
    std::thread thread;
    Sender(const Bytes& ts, const char* to, unsigned port, bool rtp, unsigned loops,
           std::chrono::milliseconds delay = 700ms)
        : thread([=] {
              std::this_thread::sleep_for(delay);
              const int fd = socket(AF_INET, SOCK_DGRAM, 0);
              const unsigned char loop = 1;
              in_addr lo{};
              lo.s_addr = htonl(INADDR_LOOPBACK);
              setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &lo, sizeof lo);
              setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
              sockaddr_in a{};
              a.sin_family = AF_INET;
              a.sin_port = htons(static_cast<std::uint16_t>(port));
              inet_pton(AF_INET, to, &a.sin_addr);
              auto due = std::chrono::steady_clock::now();
              unsigned sequence = 0;
              for (unsigned l = 0; l < loops; ++l) {
                  for (std::size_t at = 0; at < ts.size(); at += datagram_bytes, ++sequence) {
                      std::this_thread::sleep_until(due);
                      due += 26320us;
                      const Bytes chunk(ts.begin() + static_cast<long>(at),
                                        ts.begin() + static_cast<long>(std::min(ts.size(), at + datagram_bytes)));
                      const Bytes d = rtp ? rtp_packet(sequence, sequence * 2369, chunk) : chunk;
                      sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
                  }
              }
              close(fd);
          })
    {
    }
    ~Sender() { thread.join(); }
};

TEST(Live, WhatIsReceivedReadsAsTheFile)
{
    const Bytes ts = read_bytes(fixture_path("ffmpeg_cbr.ts"));
    struct Case {
        const char* name;
        const char* to;   // where the sender sends
        const char* url;  // what the program receives, %u the port
        bool rtp;
        const char* option;
    };
    const Case cases[] = {
        {"unicast, plain", "127.0.0.1", "udp://127.0.0.1:%u", false, "--decode"},
        {"any address, RTP", "127.0.0.1", "udp://:%u", true, "--pmt:1000"},
        {"multicast on lo", "239.255.42.1", "udp://239.255.42.1:%u?interface=lo", true, "--pat"},
    };
    for (const Case& c : cases) {
        const unsigned port = free_port();
        char url[96];
        std::snprintf(url, sizeof url, c.url, port);
        Result live;
        {
            const Sender sender(ts, c.to, port, c.rtp, 1);
            live = run_program("\"$OSTREL\" '" + std::string(url) + "' " + c.option + " --timeout:2");
        }
        if (live.err.rfind("Cannot join", 0) == 0) {
            std::printf("skipped %s: %s", c.name, live.err.c_str());
            continue;
        }
        const Result file = run_program("\"$OSTREL\" '" + fixture_path("ffmpeg_cbr.ts") + "' " + c.option);
        EXPECT_EQ(without_frame_lines(live.out), file.out) << c.name << ": " << live.err;
    }
}

TEST(Live, StoppedBySignalTimeLimitOrSilence)
{
    const Bytes ts = read_bytes(fixture_path("ffmpeg_cbr.ts"));
    struct Case {
        const char* name;
        unsigned loops;     // of the 1.2 s fixture; 0: nothing is sent
        const char* run;    // %s the url
        int status;
        const char* out;    // in standard output
        const char* err;    // the start of standard error
        double longest;     // seconds the run may take
        unsigned datagrams = 0;  // about this many received, in the JSON summary (0: not looked at)
    };
    // The sender starts 0.7 s after the program: a stop at 1.3 s falls inside
    // the first play of the fixture (1.2 s), before the loop's jump back.
    const Case cases[] = {
        {"SIGINT mid-stream", 4, "\"$OSTREL\" %s --check & p=$!; sleep 1.3; kill -INT $p; wait $p", 0,
         "=> Intervals timed by arrival time\nOK\n", "", 4},
        {"SIGTERM, the summary", 4, "\"$OSTREL\" %s --summary & p=$!; sleep 1.3; kill -TERM $p; wait $p", 0,
         "=> Flow:               127.0.0.1:", "", 4},
        // 0.5 s of datagrams 26.32 ms apart: the first and 18 more (a busy
        // machine sends some late, or in a burst to catch up).
        {"--for:0.5", 4, "\"$OSTREL\" %s --summary --json --for:0.5", 0, "\"datagrams\": ", "", 3.5, 19},
        {"--timeout:0.5, nothing sent", 0, "\"$OSTREL\" %s --check --timeout:0.5", 1, "", "No data for 0.5 s\n", 3},
    };
    for (const Case& c : cases) {
        const unsigned port = free_port();
        const std::string url = "udp://127.0.0.1:" + std::to_string(port);
        char command[256];
        std::snprintf(command, sizeof command, c.run, url.c_str());
        const auto start = std::chrono::steady_clock::now();
        Result r;
        {
            const Sender sender(ts, "127.0.0.1", port, false, c.loops);
            r = run_program(command);
            EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), c.longest)
                << c.name;
        }
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << c.name << ": " << r.out;
        EXPECT_EQ(r.err.substr(0, std::strlen(c.err)), c.err) << c.name;
        if (c.datagrams > 0) {
            const auto datagrams = nlohmann::json::parse(r.out)["flow"]["datagrams"].get<unsigned>();
            EXPECT_LE(datagrams, 2 * c.datagrams) << c.name;
            EXPECT_GE(datagrams, c.datagrams / 2) << c.name;
        }
    }
}

}  // namespace
}  // namespace ostrel::test
