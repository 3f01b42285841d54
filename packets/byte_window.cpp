#include "packets/byte_window.hpp"

#include <cassert>
#include <cstring>

#include "packets/packet_header.hpp"

namespace ostrel {
namespace {

// True when `shape` fits at `begin`; the window holds max_lookahead bytes
// there, or all that is left of the file.
bool fits_here(const ByteWindow& w, PacketShape shape)
{
    const std::size_t available = window_available(w);
    std::size_t packets = available / shape.size;
    if (packets == 0)
        return false;
    if (packets > fit_packets)
        packets = fit_packets;
    const unsigned char* p = w.data + w.begin + shape.sync_at;
    for (std::size_t k = 0; k < packets; ++k, p += shape.size) {
        if (*p != sync_byte_value)
            return false;
    }
    return true;
}

}  // namespace

std::size_t window_ensure(ByteWindow& w, std::size_t n)
{
    assert(n <= w.capacity);
    if (window_available(w) >= n || w.at_end)
        return window_available(w);
    if (w.capacity - w.begin < n) {  // slide what is left to the front
        std::memmove(w.data, w.data + w.begin, window_available(w));
        w.base += w.begin;
        w.end -= w.begin;
        w.begin = 0;
    }
    while (window_available(w) < n && !w.at_end) {
        std::size_t ask = w.capacity - w.end;
        if (ask > w.read_piece)
            ask = w.read_piece;
        const std::size_t got = std::fread(w.data + w.end, 1, ask, w.file);
        w.end += got;
        if (got < ask) {
            w.at_end = true;
            w.failed = std::ferror(w.file) != 0;
        }
    }
    return window_available(w);
}

bool find_fit(ByteWindow& w, const PacketShape* candidates, std::size_t count, PacketShape& found)
{
    for (;; ++w.begin) {
        if (window_ensure(w, max_lookahead) < plain_shape.size) {
            w.begin = w.end;
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (fits_here(w, candidates[i])) {
                found = candidates[i];
                return true;
            }
        }
    }
}

}  // namespace ostrel
