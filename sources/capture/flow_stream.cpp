#include "sources/capture/flow_stream.hpp"

#include <cstring>

namespace ostrel {
namespace {

// The next datagram of the flow into `pending`; false at the end, with
// nothing pending.
bool next_datagram(FlowStream& s)
{
    CaptureFrame& frame = s.pending;  // all of it handed on before the next is read
    while (s.datagrams->next(frame, s.other, s.error)) {
        const Datagram& d = frame.datagram;
        if (!s.chosen && (!s.wanted || same_endpoint(d.destination, s.destination))) {
            s.chosen = true;
            s.source = d.source;
            s.destination = d.destination;
            s.rtp = frame.ts.rtp;
            s.ssrc = frame.ts.ssrc;
            s.payload_type = frame.ts.payload_type;
        }
        if (s.chosen && same_endpoint(d.source, s.source) && same_endpoint(d.destination, s.destination)) {
            arrival_note(*s.log, ArrivalRecord{s.ts_bytes, frame.number, frame.time_ns});
            s.ts_bytes += frame.ts.length;
            if (s.tap != nullptr)
                s.tap->take(frame.time_ns, frame.ts);
            s.pending_at = 0;
            return true;
        }
        ++s.other_flows;
    }
    s.pending = CaptureFrame{};
    s.pending_at = 0;
    return false;
}

}  // namespace

std::size_t FlowBytes::read(unsigned char* into, std::size_t size)
{
    FlowStream& s = *stream;
    std::size_t done = 0;
    while (done < size) {
        if (s.pending_at >= s.pending.ts.length) {
            if (s.ended || !next_datagram(s)) {
                s.ended = true;
                break;
            }
        }
        std::size_t n = s.pending.ts.length - s.pending_at;
        if (n > size - done)
            n = size - done;
        std::memcpy(into + done, s.pending.ts.ts + s.pending_at, n);
        s.pending_at += n;
        done += n;
        if (s.live && s.pending_at == s.pending.ts.length)
            break;  // what came is looked at now, not once the window is full
    }
    return done;
}

bool FlowBytes::cut_short() const { return !stream->error.empty(); }

const ArrivalLog* FlowBytes::arrivals() const { return stream->log.get(); }

bool CaptureDatagrams::next(CaptureFrame& frame, OtherTraffic& other, std::string& error)
{
    return capture_next(capture, frame, other, error);
}

bool flow_start(FlowStream& s)
{
    s.log = std::make_unique<ArrivalLog>();
    s.bytes.stream = &s;
    if (next_datagram(s))
        return true;
    s.ended = true;
    return false;
}

}  // namespace ostrel
