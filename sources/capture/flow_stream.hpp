// One flow of a capture read as a byte stream: the TS bytes of the flow's
// datagrams one after the other, a source that the packet loop reads as it
// reads a file, with an arrival log beside it. The flow is the one whose
// destination was asked for, or the first that carries TS.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "sources/capture/capture.hpp"
#include "sources/capture/ts_payload.hpp"
#include "sources/arrival_log.hpp"
#include "sources/file/byte_window.hpp"

namespace ostrel {

// Where datagrams come from: a capture file, or a socket; `next` yields
// the next that carries TS, false at the end (with `error` set when the end
// is a failure).
struct DatagramSource {
    virtual bool next(CaptureFrame& frame, OtherTraffic& other, std::string& error) = 0;

protected:
    ~DatagramSource() = default;
};

// The datagrams of a capture file.
struct CaptureDatagrams final : DatagramSource {
    explicit CaptureDatagrams(Capture& c) : capture(c) {}
    Capture& capture;
    bool next(CaptureFrame& frame, OtherTraffic& other, std::string& error) override;
};

struct FlowStream;

// The flow's TS bytes, datagram after datagram.
struct FlowBytes final : ByteSource {
    FlowStream* stream = nullptr;
    std::size_t read(unsigned char* into, std::size_t size) override;
    bool cut_short() const override;
    const ArrivalLog* arrivals() const override;
};

// Told of each datagram of the flow as it is taken, with its capture time
// (the network figures listen here).
struct DatagramTap {
    virtual void take(std::int64_t time_ns, const TsPayload& payload) = 0;

protected:
    ~DatagramTap() = default;
};

struct FlowStream {
    DatagramSource* datagrams = nullptr;
    bool live = false;       // a socket: bytes are handed on as each datagram comes
    bool wanted = false;     // a destination was asked for
    DatagramTap* tap = nullptr;  // told of each datagram of the flow, or null
    Endpoint destination{};  // the one asked for
    bool chosen = false;     // the flow is known: its first datagram came
    Endpoint source{};
    bool rtp = false;
    std::uint32_t ssrc = 0;
    unsigned payload_type = 0;
    CaptureFrame pending{};  // the datagram being handed on
    std::size_t pending_at = 0;
    bool ended = false;
    std::string error;       // the capture could not be read to its end
    OtherTraffic other{};
    std::uint64_t other_flows = 0;  // TS datagrams of other flows
    std::uint64_t ts_bytes = 0;     // the flow's, handed on or pending
    const std::uint64_t* drops = nullptr;  // datagrams the socket dropped (SO_RXQ_OVFL), where known
    const struct SrtLinkFigures* srt_link = nullptr;  // an SRT source's link, as srt_bstats tells it
    std::unique_ptr<ArrivalLog> log;
    FlowBytes bytes;  // the flow's TS bytes
};

// Reads up to the flow's first datagram, which `bytes` then hands on
// first; false when the capture holds no such flow.
bool flow_start(FlowStream& stream);

}  // namespace ostrel
