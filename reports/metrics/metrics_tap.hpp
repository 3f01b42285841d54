// --metrics: the figures of the pass as Prometheus reads them, published to
// the endpoint at least every 100 ms of the pass's work, whenever the input
// pauses, and when the pass ends. The series are listed in the README.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "output/metrics_server.hpp"
#include "pass/pass.hpp"
#include "ts/pids.hpp"

namespace ostrel {

struct CaptureFlow;
class DvbText;

// The link figures an SRT source adds (its own `ostrel_srt_*` series), in a
// form ready to write; empty for other inputs.
using ExtraSeries = std::function<void(struct MetricsText& out)>;

// Rates over the last second of the run: the counts a second ago.
struct RateBase {
    std::chrono::steady_clock::time_point at{};
    bool known = false;
    std::uint64_t packets = 0;
    std::array<std::uint64_t, pid_count> pid_packets{};
};

struct MetricsTap final : PassTap {
    // `priority`: the highest TR 101 290 priority the report checks.
    MetricsTap(MetricsServer& to, std::string input, const char* version, unsigned priority);
    ~MetricsTap();
    MetricsTap(const MetricsTap&) = delete;
    MetricsTap& operator=(const MetricsTap&) = delete;
    MetricsServer& server;
    std::string input_name;       // the input as named, a passphrase's value shown as ***
    const char* version_text;
    const CaptureFlow* flow = nullptr;  // a live stream's or a capture's flow, for the network figures
    const std::uint64_t* socket_drops = nullptr;
    ExtraSeries extra;
    void begin(const Analysis& a) override;
    void moves(const Analysis& a) override;
    void end(const Analysis& a) override;
    // The input waits for data: the figures as they stand, the rates falling to 0.
    void quiet();

private:
    void publish(const Analysis& a);
    void put_identity(MetricsText& m) const;
    const Analysis* current_ = nullptr;
    std::chrono::steady_clock::time_point last_{};
    RateBase base_;
    double bytes_per_second_ = 0;
    std::uint64_t last_packets_ = 0;
    std::chrono::steady_clock::time_point last_change_{};  // when a packet last came
    std::array<double, pid_count> pid_rates_{};
    std::unique_ptr<DvbText> dvb_;  // service names, made when first needed
};

// The ostrel_srt_* series of an SRT link.
void put_srt_series(MetricsText& out, const struct SrtLinkFigures& link);

// The input as the info series names it: the value of a passphrase= parameter replaced by ***.
std::string masked_input(const std::string& input);

}  // namespace ostrel
