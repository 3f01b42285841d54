#include "cli/stop_signals.hpp"

namespace ostrel {
namespace {

std::atomic<bool> stop_requested{false};

void request_stop(int) { stop_requested.store(true); }

}  // namespace

std::atomic<bool>& stop_flag() { return stop_requested; }

StopOnSignals::StopOnSignals()
{
    stop_requested.store(false);
    struct sigaction a{};
    a.sa_handler = request_stop;
    sigemptyset(&a.sa_mask);
    sigaction(SIGINT, &a, &old_int);
    sigaction(SIGTERM, &a, &old_term);
}

StopOnSignals::~StopOnSignals()
{
    sigaction(SIGINT, &old_int, nullptr);
    sigaction(SIGTERM, &old_term, nullptr);
}

}  // namespace ostrel
