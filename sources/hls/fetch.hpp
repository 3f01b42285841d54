// Reading what a playlist names: a file, or an http:// or https:// URL
// through libcurl (loaded on the first URL), redirects followed, an HTTP
// status other than 2xx a failure, a connection or a transfer that stalls
// for the timeout a failure. A segment on disk is read as it is consumed;
// one on a web server is fetched whole (it is the segment being read).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ostrel {

bool is_http_url(std::string_view location);

// `reference` (a URI line or URI attribute) against the playlist at `base`:
// an absolute URL as it is, else beside the playlist (RFC 3986 5.2, for the
// forms playlists use: a path, an absolute path, a network path).
std::string resolve_location(std::string_view base, std::string_view reference);

struct FetchRange {
    bool on = false;
    std::uint64_t offset = 0, length = 0;
};

struct CurlSession;

class Fetcher {
public:
    explicit Fetcher(double timeout_seconds);
    ~Fetcher();
    Fetcher(const Fetcher&) = delete;
    Fetcher& operator=(const Fetcher&) = delete;
    // The bytes at `location` into `body`, at most `limit` of them; false
    // with `error` (one line: the status, the reason) when they cannot be had.
    bool fetch(const std::string& location, FetchRange range, std::size_t limit, std::string& body,
               std::string& error);

private:
    double timeout_seconds_;
    std::unique_ptr<CurlSession> curl_;
};

// A segment on disk, read piece by piece; over HTTP, fetched whole and handed out.
class SegmentReader {
public:
    SegmentReader() = default;
    ~SegmentReader();
    SegmentReader(const SegmentReader&) = delete;
    SegmentReader& operator=(const SegmentReader&) = delete;
    bool open(Fetcher& fetcher, const std::string& location, FetchRange range, std::string& error);
    // Up to `size` bytes; 0 at the end (or a read failure: `failed`).
    std::size_t read(unsigned char* into, std::size_t size);
    void close();
    bool failed() const { return failed_; }

private:
    int fd_ = -1;
    std::uint64_t at_ = 0, left_ = 0;  // the file's next offset, the bytes to read from it
    std::string body_;                 // a fetched segment
    std::size_t body_at_ = 0;
    bool failed_ = false;
};

}  // namespace ostrel
