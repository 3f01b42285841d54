#include "sources/file/byte_window.hpp"

#include <cassert>
#include <cstdint>
#include <cstring>

#include "ts/packet_header.hpp"

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

// Reads land on whole pages when the window is made of them: the kernel then
// copies page to page, which measures up to four times faster than into an
// address off a page boundary.
bool page_aligned(const ByteWindow& w)
{
    return w.capacity % page_bytes == 0 && w.capacity >= 2 * page_bytes + max_lookahead &&
           w.read_piece % page_bytes == 0 &&
           reinterpret_cast<std::uintptr_t>(w.data) % page_bytes == 0;
}

// Moves what is left to the front: for page-aligned reads, to just before
// the first page boundary past its length.
void slide(ByteWindow& w, bool aligned)
{
    const std::size_t left = window_available(w);
    const std::size_t to = aligned ? (left + page_bytes - 1) / page_bytes * page_bytes - left : 0;
    std::memmove(w.data + to, w.data + w.begin, left);
    w.base += w.begin;
    w.base -= to;
    w.begin = to;
    w.end = to + left;
}

}  // namespace

std::size_t window_ensure(ByteWindow& w, std::size_t n)
{
    assert(n <= w.capacity);
    if (window_available(w) >= n || w.at_end)
        return window_available(w);
    const bool aligned = page_aligned(w);
    if (w.capacity - w.begin < n)
        slide(w, aligned);
    while (window_available(w) < n && !w.at_end) {
        if (aligned && w.capacity - w.end < page_bytes)
            slide(w, true);
        std::size_t ask = w.capacity - w.end;
        if (ask > w.read_piece)
            ask = w.read_piece;
        if (aligned)
            ask -= ask % page_bytes;  // the end stays on a page boundary
        if (w.source != nullptr) {
            const std::size_t got = w.source->read(w.data + w.end, ask);
            w.end += got;
            w.at_end = got == 0;
            w.failed = w.at_end && w.source->failed();
            continue;
        }
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
