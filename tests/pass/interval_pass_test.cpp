// The intervals straight from the pass, without a report: a stream of 500
// packets 1 ms apart (a PCR of PID 0100 in every 10th, the others null
// packets) cut into rows of 0.1 s holds 100 packets a row, 10 of PID 0100
// with 10 PCRs 10 ms apart, 90 null packets: 100 x 188 x 8 / 0.1 = 1,504,000 bit/s.
#include <gtest/gtest.h>

#include <cstdio>

#include "pass/interval_pass.hpp"
#include "support.hpp"

namespace ostrel {
namespace {

using test::Bytes;

struct Rows final : IntervalListener {
    struct Row {
        double start_s;
        std::uint64_t packets, pcrs, of_0100, of_1fff;
        double pcr_interval_max_s;
    };
    std::vector<Row> rows;
    bool done = false;
    void row(const IntervalRow& r) override
    {
        rows.push_back(Row{r.start_s, r.packets, r.pcrs, r.pid_packets[0x0100], r.pid_packets[0x1FFF],
                           r.pcr_interval_max_s});
    }
    void finished(const Analysis&) override { done = true; }
};

TEST(IntervalPass, RowsOfAConstantRateStream)
{
    Bytes s;
    for (unsigned n = 0; n < 500; ++n) {
        const Bytes p = n % 10 == 0 ? test::pcr_packet(0x0100, (n / 10) % 16, std::uint64_t{n} * 27'000)
                                    : test::packet({.pid = 0x1FFF});
        s.insert(s.end(), p.begin(), p.end());
    }
    std::FILE* f = std::tmpfile();
    std::fwrite(s.data(), 1, s.size(), f);
    std::rewind(f);
    unsigned char block[64 * 188];
    const PacketInput in{f, block, sizeof block, sizeof block, true, nullptr};
    Rows rows;
    ASSERT_EQ(run_interval_pass(in, 0.1, rows, stderr), ReportEnd::done);
    std::fclose(f);
    EXPECT_TRUE(rows.done);
    // The last PCR is at 0.49 s: the stream is timed up to its last byte at that rate, 0.5 s.
    ASSERT_EQ(rows.rows.size(), 5u);
    for (std::size_t k = 0; k < rows.rows.size(); ++k) {
        const Rows::Row& r = rows.rows[k];
        EXPECT_NEAR(r.start_s, 0.1 * static_cast<double>(k), 1e-9) << k;
        EXPECT_EQ(r.packets, 100u) << k;
        EXPECT_EQ(r.of_0100, 10u) << k;
        EXPECT_EQ(r.of_1fff, 90u) << k;
        EXPECT_EQ(r.pcrs, 10u) << k;
        if (k > 0) {
            EXPECT_NEAR(r.pcr_interval_max_s, 0.010, 1e-12) << k;
        }
    }
}

}  // namespace
}  // namespace ostrel
