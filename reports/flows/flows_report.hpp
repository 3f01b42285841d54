// --flows: every UDP flow of a capture that carries TS, with its figures,
// and the traffic left out.
#pragma once

#include <cstdio>

#include "output/output.hpp"
#include "ts/report_end.hpp"

namespace ostrel {

struct Capture;

// Reads the capture to its end; `error` gets a read failure's message.
ReportEnd report_flows(Capture& capture, Output& out, bool json, std::string& error);

}  // namespace ostrel
