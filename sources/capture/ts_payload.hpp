// Whether a UDP payload carries transport stream packets: a whole number of
// 188-byte packets, each with its sync byte, either alone ("plain") or after
// an RTP version 2 header (RFC 3550: CSRCs and a header extension skipped,
// padding removed).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

struct TsPayload {
    const unsigned char* ts;  // the first packet
    std::size_t length;       // a multiple of 188
    bool rtp;
    unsigned sequence;        // RTP only
    std::uint32_t timestamp;  // 90 kHz for MPEG-2 TS (payload type 33)
    std::uint32_t ssrc;
    unsigned payload_type;
};

bool read_ts_payload(const unsigned char* data, std::size_t length, TsPayload& out);

}  // namespace ostrel
