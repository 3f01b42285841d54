#include "sources/capture/ts_payload.hpp"

#include "ts/packet_header.hpp"

namespace ostrel {
namespace {

bool whole_packets(const unsigned char* data, std::size_t length)
{
    if (length == 0 || length % packet_size != 0)
        return false;
    for (std::size_t at = 0; at < length; at += packet_size) {
        if (data[at] != sync_byte_value)
            return false;
    }
    return true;
}

}  // namespace

bool read_ts_payload(const unsigned char* data, std::size_t length, TsPayload& out)
{
    if (length > 0 && data[0] == sync_byte_value) {  // an RTP header starts with version 2: never 0x47
        if (!whole_packets(data, length))
            return false;
        out = TsPayload{data, length, false, 0, 0, 0, 0};
        return true;
    }
    if (length < 12 || data[0] >> 6 != 2)
        return false;
    std::size_t header = 12 + 4u * (data[0] & 0x0F);
    if ((data[0] & 0x10) != 0) {  // a header extension: 4 bytes, then its length in words
        if (length < header + 4)
            return false;
        header += 4 + 4u * (static_cast<unsigned>(data[header + 2]) << 8 | data[header + 3]);
    }
    std::size_t end = length;
    if ((data[0] & 0x20) != 0) {  // padding: its count in the last byte
        const unsigned padding = data[length - 1];
        if (padding == 0 || padding > length)
            return false;
        end -= padding;
    }
    if (header > end || !whole_packets(data + header, end - header))
        return false;
    out = TsPayload{data + header, end - header, true, static_cast<unsigned>(data[2] << 8 | data[3]), be32_at(data + 4),
                    be32_at(data + 8), data[1] & 0x7Fu};
    return true;
}

}  // namespace ostrel
