// The Prometheus text format as written here, and the addresses --metrics
// and srt:// take; every row written by hand.
#include <gtest/gtest.h>

#include "output/metrics_server.hpp"
#include "output/metrics_text.hpp"
#include "reports/metrics/metrics_tap.hpp"
#include "sources/srt/srt_receiver.hpp"

namespace ostrel::test {
namespace {

TEST(Metrics, ExpositionLinesAndEscapes)
{
    MetricsText m;
    m.family("ostrel_x_total", "Help text.", "counter");
    m.sample("ostrel_x_total", 3);
    m.sample("ostrel_x_total", 0.25, {{"pid", "0x0100"}, {"service", "a \"b\" \\c\nd"}});
    m.sample("ostrel_x_total", 1e20);
    m.sample("ostrel_x_total", 1, {{"service", "caf\xC3\xA9 \xFF"}});  // UTF-8 kept, a stray byte replaced
    EXPECT_EQ(m.text,
              "# HELP ostrel_x_total Help text.\n# TYPE ostrel_x_total counter\nostrel_x_total 3\n"
              "ostrel_x_total{pid=\"0x0100\",service=\"a \\\"b\\\" \\\\c\\nd\"} 0.25\n"
              "ostrel_x_total 1e+20\n"
              "ostrel_x_total{service=\"caf\xC3\xA9 \xEF\xBF\xBD\"} 1\n");
    EXPECT_EQ(masked_input("srt://h:9000?mode=caller&passphrase=secret1234&latency=80"),
              "srt://h:9000?mode=caller&passphrase=***&latency=80");
    EXPECT_EQ(masked_input("udp://239.1.1.1:5000"), "udp://239.1.1.1:5000");
}

TEST(Metrics, Addresses)
{
    struct Row {
        const char* text;
        bool ok;
        const char* address;
        unsigned port;
    };
    const Row rows[] = {
        {"9100", true, "127.0.0.1", 9100},     {"0.0.0.0:9100", true, "0.0.0.0", 9100},
        {"[::1]:9100", true, "::1", 9100},     {"localhost:9100", false, "", 0},  // an address, not a name
        {"9100x", false, "", 0},               {"0", false, "", 0},
        {"65536", false, "", 0},               {"[::1]9100", false, "", 0},
    };
    for (const Row& row : rows) {
        MetricsAddress a;
        EXPECT_EQ(parse_metrics_address(row.text, a), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(a.address, row.address) << row.text;
            EXPECT_EQ(a.port, row.port) << row.text;
        }
    }
    struct SrtRow {
        const char* url;
        bool ok;
        const char* host;
        unsigned port;
        const char* mode;
        int latency, pbkeylen;
        const char* passphrase;
        const char* streamid;
    };
    const SrtRow srt_rows[] = {
        {"srt://10.0.0.1:9000", true, "10.0.0.1", 9000, "caller", -1, 0, "", ""},
        {"srt://:9000?mode=listener&latency=120", true, "", 9000, "listener", 120, 0, "", ""},
        {"srt://[::1]:9000?mode=rendezvous&passphrase=0123456789&pbkeylen=32&streamid=#!::r=live",
         true, "::1", 9000, "rendezvous", -1, 32, "0123456789", "#!::r=live"},
        {"srt://h:9000?mode=server", false, "", 0, "", 0, 0, "", ""},
        {"srt://h:9000?passphrase=short", false, "", 0, "", 0, 0, "", ""},  // under 10 characters
        {"srt://h:9000?pbkeylen=20", false, "", 0, "", 0, 0, "", ""},
        {"srt://h", false, "", 0, "", 0, 0, "", ""},
        {"srt://h:0", false, "", 0, "", 0, 0, "", ""},
    };
    for (const SrtRow& row : srt_rows) {
        SrtAddress a;
        std::string error;
        EXPECT_EQ(parse_srt_url(row.url, a, error), row.ok) << row.url;
        if (!row.ok) {
            EXPECT_FALSE(error.empty()) << row.url;
            continue;
        }
        EXPECT_EQ(a.host, row.host) << row.url;
        EXPECT_EQ(a.port, row.port) << row.url;
        EXPECT_EQ(a.mode, row.mode) << row.url;
        EXPECT_EQ(a.latency_ms, row.latency) << row.url;
        EXPECT_EQ(a.pbkeylen, row.pbkeylen) << row.url;
        EXPECT_EQ(a.passphrase, row.passphrase) << row.url;
        EXPECT_EQ(a.streamid, row.streamid) << row.url;
    }
}

}  // namespace
}  // namespace ostrel::test
