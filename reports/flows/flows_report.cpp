#include "reports/flows/flows_report.hpp"

#include <memory>
#include <string>
#include <vector>

#include "sources/capture/capture.hpp"
#include "reports/flows/figures_json.hpp"

namespace ostrel {
namespace {

constexpr std::size_t max_flows = 256;  // more are counted, not listed

struct Flow {
    FlowView view;
    std::unique_ptr<FlowFigures> figures;
};

Flow* flow_of(std::vector<Flow>& flows, const CaptureFrame& frame)
{
    const Datagram& d = frame.datagram;
    for (Flow& f : flows) {
        if (same_endpoint(f.view.source, d.source) && same_endpoint(f.view.destination, d.destination))
            return &f;
    }
    if (flows.size() == max_flows)
        return nullptr;
    Flow f{FlowView{d.source, d.destination, frame.ts.rtp, frame.ts.ssrc, frame.ts.payload_type, nullptr},
           std::make_unique<FlowFigures>()};
    figures_start(*f.figures);
    f.view.figures = f.figures.get();
    flows.push_back(std::move(f));
    return &flows.back();
}

}  // namespace

ReportEnd report_flows(Capture& capture, Output& out, bool json, std::string& error)
{
    std::vector<Flow> flows;
    OtherTraffic other{};
    std::uint64_t unlisted = 0;
    CaptureFrame frame{};
    while (capture_next(capture, frame, other, error)) {
        Flow* const flow = flow_of(flows, frame);
        if (flow == nullptr)
            ++unlisted;
        else
            figures_take(*flow->figures, frame.time_ns, frame.ts);
    }
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const Flow& f : flows)
            list.push_back(flow_json(f.view, true));
        const nlohmann::json report = {{"flows", list}, {"other_traffic", other_traffic_json(other)},
                                       {"unlisted_datagrams", unlisted}};
        out_text(out, report.dump(2));
        out_text(out, "\n");
    } else {
        out_format(out, "=> Flows:              '%zu'd\n", flows.size());
        for (std::size_t i = 0; i < flows.size(); ++i) {
            const std::string label = "Flow " + std::to_string(i + 1) + ":";
            out_format(out, "=> %-20s", label.c_str());
            out_text(out, flow_title(flows[i].view) + "\n");
            put_flow_text(out, flows[i].view);
        }
        put_other_traffic_text(out, other, unlisted);
    }
    return ReportEnd::done;
}

}  // namespace ostrel
