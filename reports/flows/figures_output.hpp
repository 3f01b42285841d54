// The figures of a flow written out: the text of --flows and of the
// summary's network section in ostrel's notation (their JSON:
// reports/flows/figures_json.hpp).
#pragma once

#include <string>

#include "sources/capture/capture.hpp"
#include "pass/network/flow_figures.hpp"
#include "sources/arrival_log.hpp"
#include "output/output.hpp"

namespace ostrel {

struct FlowView {
    Endpoint source, destination;
    bool rtp;
    std::uint32_t ssrc;
    unsigned payload_type;
    const FlowFigures* figures;
    bool srt = false;  // the messages of an SRT link, not datagrams as they came
};

// "127.0.0.1:40000 -> 239.1.1.1:5000, RTP (SSRC '0000ABCD'h, payload type '33'd)" or ", plain".
std::string flow_title(const FlowView& flow);

// The lines of a flow after its title: counts, times, rate and the network figures.
void put_flow_text(Output& out, const FlowView& flow);
// The network figures alone (the summary of a capture).
void put_network_text(Output& out, const FlowFigures& f);
// "DF:MLR": the delay factor in ms and the loss, "unknown:N" without a rate.
std::string mdi_text(const MdiFigure& m);

void put_other_traffic_text(Output& out, const OtherTraffic& other, std::uint64_t other_flows);

}  // namespace ostrel
