// The bytes of the input as a window that slides front to back: read in large
// pieces, kept across reads so that a packet, or a look at the packets after
// it, may straddle two reads. Nothing is ever read past the window's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace ostrel {

// Where bytes come from when not straight from a file: `read` fills up to
// `size` bytes and yields how many, 0 at the end; `failed` tells whether that
// end was a read failure.
struct ArrivalLog;
struct SegmentLog;

struct ByteSource {
    virtual std::size_t read(unsigned char* into, std::size_t size) = 0;
    virtual bool failed() const { return false; }
    // The bytes ended before the input did (a capture that could not be read
    // to its end): what the source's owner reports, and a written file must
    // not replace FILE.
    virtual bool cut_short() const { return false; }
    // A network source: when its bytes arrived, datagram by datagram; null for a file.
    virtual const ArrivalLog* arrivals() const { return nullptr; }
    // A playlist's segments: where each begins in the bytes; null for any other source.
    virtual SegmentLog* segments() { return nullptr; }

protected:
    ~ByteSource() = default;
};

struct ByteWindow {
    std::FILE* file;
    unsigned char* data;
    std::size_t capacity;    // at least max_lookahead
    std::size_t read_piece;  // the most bytes one read asks for
    std::size_t begin = 0;   // first byte not yet consumed
    std::size_t end = 0;     // one past the last byte read
    std::uint64_t base = 0;  // file offset of data[0]
    bool at_end = false;     // the file has ended, or a read failed
    bool failed = false;     // a read failed
    ByteSource* source = nullptr;  // read instead of `file` when set
};

inline constexpr std::size_t page_bytes = 4096;

inline std::size_t window_available(const ByteWindow& w) { return w.end - w.begin; }
inline std::uint64_t window_offset(const ByteWindow& w) { return w.base + w.begin; }

// Reads until `n` bytes (at most the capacity) are available from `begin`, or
// the file ends; yields the bytes available.
std::size_t window_ensure(ByteWindow& w, std::size_t n);

// Where a packet of each stored size keeps its sync byte: 188 and 204 at byte
// 0, 192 (a 4-byte arrival header first) at byte 4.
struct PacketShape {
    unsigned size;
    unsigned sync_at;
};

inline constexpr PacketShape plain_shape{188, 0};
inline constexpr PacketShape shapes[] = {{188, 0}, {192, 4}, {204, 0}};
inline constexpr unsigned fit_packets = 5;                          // packets checked for a fit
inline constexpr std::size_t max_lookahead = fit_packets * 204;    // bytes a fit looks at

// Moves `begin` to the first position, from where it stands, at which one of
// the `candidates` (tried in order at each position) has the sync byte in each
// of the next K packets (K = 5, or the whole packets left before the end of
// the file, at least 1), and yields it in `found`. False, with everything
// consumed, when there is none.
bool find_fit(ByteWindow& w, const PacketShape* candidates, std::size_t count, PacketShape& found);

}  // namespace ostrel
