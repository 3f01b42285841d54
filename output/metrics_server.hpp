// The HTTP endpoint of --metrics: GET /metrics answers the last snapshot
// the run published, GET / a short page that links it; other paths 404,
// other methods 405; request lines and headers past 8 KiB refused, bodies
// never read, at most 8 connections at once, a connection that sends
// nothing closed after a few seconds. Served by libmicrohttpd (loaded when
// asked for) from a thread of its own: a slow or hostile scraper never
// waits on the run, nor the run on it (a snapshot is swapped in under a
// lock held for a copy).
#pragma once

#include <memory>
#include <mutex>
#include <string>

namespace ostrel {

struct MetricsAddress {
    std::string address = "127.0.0.1";
    unsigned port = 0;
};

// [ADDRESS:]PORT, IPv6 in brackets; false when it cannot be read.
bool parse_metrics_address(const std::string& text, MetricsAddress& address);

struct HttpLibrary;

class MetricsServer {
public:
    MetricsServer();
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;
    // Listens; false with a one-line `error` when it cannot.
    bool start(const MetricsAddress& address, std::string& error);
    // The text /metrics answers from now on.
    void publish(std::string snapshot);
    // The last one published, shared: a scrape sends it without a copy.
    std::shared_ptr<const std::string> snapshot() const;

private:
    std::unique_ptr<HttpLibrary> http_;
    void* daemon_ = nullptr;
    void* served_ = nullptr;  // what the handler is given
    mutable std::mutex lock_;
    std::shared_ptr<const std::string> snapshot_ = std::make_shared<const std::string>();
};

}  // namespace ostrel
