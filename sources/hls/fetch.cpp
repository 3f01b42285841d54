#include "sources/hls/fetch.hpp"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "ts/shared_library.hpp"

namespace ostrel {

// libcurl, loaded with the first URL, and the one easy handle of the run,
// whose connections are kept for the next fetch.
struct CurlSession {
    void* library = nullptr;
    decltype(&curl_easy_init) init = nullptr;
    decltype(&curl_easy_setopt) setopt = nullptr;
    decltype(&curl_easy_perform) perform = nullptr;
    decltype(&curl_easy_getinfo) getinfo = nullptr;
    decltype(&curl_easy_cleanup) cleanup = nullptr;
    decltype(&curl_easy_strerror) strerror = nullptr;
    CURL* easy = nullptr;
    ~CurlSession()
    {
        if (easy != nullptr)
            cleanup(easy);
        if (library != nullptr)
            dlclose(library);
    }
};

namespace {

constexpr const char* curl_names[] = {"libcurl.so.4", "libcurl-gnutls.so.4", "libcurl.so"};

bool load_curl(CurlSession& c, std::string& error)
{
    std::string why;
    c.library = open_shared_library(curl_names, std::size(curl_names), why);
    if (c.library == nullptr) {
        error = "libcurl cannot be loaded (Debian: libcurl4): " + why;
        return false;
    }
    if (!take_function(c.library, "curl_easy_init", c.init) || !take_function(c.library, "curl_easy_setopt", c.setopt) ||
        !take_function(c.library, "curl_easy_perform", c.perform) ||
        !take_function(c.library, "curl_easy_getinfo", c.getinfo) ||
        !take_function(c.library, "curl_easy_cleanup", c.cleanup) ||
        !take_function(c.library, "curl_easy_strerror", c.strerror) || (c.easy = c.init()) == nullptr) {
        error = "libcurl lacks a function this program fetches with";
        return false;
    }
    return true;
}

struct Body {
    std::string* bytes;
    std::size_t limit;
    bool over;
};

std::size_t take_bytes(char* data, std::size_t size, std::size_t count, void* user)
{
    Body& b = *static_cast<Body*>(user);
    const std::size_t n = size * count;
    if (n > b.limit - b.bytes->size()) {
        b.over = true;
        return 0;  // ends the transfer
    }
    b.bytes->append(data, n);
    return n;
}

bool scheme_at_start(std::string_view s)
{
    const std::size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || s.substr(colon, 3) != "://")
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = s[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))))
            return false;
    }
    return true;
}

bool file_fetch(const std::string& path, FetchRange range, std::size_t limit, std::string& body, std::string& error)
{
    SegmentReader reader;
    Fetcher unused(0);
    if (!reader.open(unused, path, range, error))
        return false;
    unsigned char piece[65536];
    body.clear();
    for (std::size_t n; (n = reader.read(piece, sizeof piece)) > 0;) {
        if (n > limit - body.size()) {
            error = "larger than " + std::to_string(limit >> 20) + " MiB";
            return false;
        }
        body.append(reinterpret_cast<const char*>(piece), n);
    }
    if (reader.failed()) {
        error = "read failed";
        return false;
    }
    return true;
}

}  // namespace

bool is_http_url(std::string_view location)
{
    const auto starts = [&](std::string_view p) {
        if (location.size() < p.size())
            return false;
        for (std::size_t i = 0; i < p.size(); ++i) {
            const char c = location[i];
            if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != p[i])
                return false;
        }
        return true;
    };
    return starts("http://") || starts("https://");
}

std::string resolve_location(std::string_view base, std::string_view reference)
{
    if (reference.substr(0, 7) == "file://")
        return std::string(reference.substr(7));
    if (scheme_at_start(reference) || base.empty() || reference.empty())
        return std::string(reference);
    if (!is_http_url(base)) {  // a file beside the playlist
        if (reference.front() == '/')
            return std::string(reference);
        const std::size_t slash = base.rfind('/');
        return slash == std::string_view::npos ? std::string(reference)
                                               : std::string(base.substr(0, slash + 1)).append(reference);
    }
    const std::size_t authority = base.find("://") + 3;
    const std::size_t path = base.find('/', authority);
    const std::string_view origin = base.substr(0, path);
    if (reference.substr(0, 2) == "//")
        return std::string(base.substr(0, authority - 2)).append(reference);
    if (reference.front() == '/')
        return std::string(origin).append(reference);
    std::string_view directory = base.substr(0, base.find_first_of("?#"));
    const std::size_t last = directory.rfind('/');
    directory = last == std::string_view::npos || last < authority ? origin : directory.substr(0, last);
    return std::string(directory).append("/").append(reference);
}

Fetcher::Fetcher(double timeout_seconds) : timeout_seconds_(timeout_seconds) {}
Fetcher::~Fetcher() = default;

bool Fetcher::fetch(const std::string& location, FetchRange range, std::size_t limit, std::string& body,
                    std::string& error)
{
    body.clear();
    if (!is_http_url(location))
        return file_fetch(location, range, limit, body, error);
    if (curl_ == nullptr) {
        curl_ = std::make_unique<CurlSession>();
        if (!load_curl(*curl_, error)) {
            curl_.reset();
            return false;
        }
    }
    CurlSession& c = *curl_;
    Body sink{&body, limit, false};
    const long seconds = timeout_seconds_ >= 1 ? static_cast<long>(timeout_seconds_) : 1;
    char range_text[48] = "";
    if (range.on && range.length > 0)
        std::snprintf(range_text, sizeof range_text, "%llu-%llu", static_cast<unsigned long long>(range.offset),
                      static_cast<unsigned long long>(range.offset + range.length - 1));
    c.setopt(c.easy, CURLOPT_URL, location.c_str());
    c.setopt(c.easy, CURLOPT_NOSIGNAL, 1L);
    c.setopt(c.easy, CURLOPT_FOLLOWLOCATION, 1L);
    c.setopt(c.easy, CURLOPT_MAXREDIRS, 10L);
    c.setopt(c.easy, CURLOPT_PROTOCOLS_STR, "http,https");
    c.setopt(c.easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    c.setopt(c.easy, CURLOPT_CONNECTTIMEOUT, seconds);
    c.setopt(c.easy, CURLOPT_LOW_SPEED_LIMIT, 1L);  // a transfer that stalls this long fails
    c.setopt(c.easy, CURLOPT_LOW_SPEED_TIME, seconds);
    c.setopt(c.easy, CURLOPT_WRITEFUNCTION, take_bytes);
    c.setopt(c.easy, CURLOPT_WRITEDATA, &sink);
    c.setopt(c.easy, CURLOPT_RANGE, range_text[0] != 0 ? range_text : nullptr);
    c.setopt(c.easy, CURLOPT_USERAGENT, "ostrel/" OSTREL_VERSION);
    const CURLcode done = c.perform(c.easy);
    long status = 0;
    c.getinfo(c.easy, CURLINFO_RESPONSE_CODE, &status);
    if (sink.over) {
        error = "larger than " + std::to_string(limit >> 20) + " MiB";
        return false;
    }
    if (done != CURLE_OK) {
        error = c.strerror(done);
        return false;
    }
    if (status < 200 || status > 299) {
        error = "HTTP " + std::to_string(status);
        return false;
    }
    if (range.on && status == 200) {  // the server sent the whole file: the range from it
        if (range.offset >= body.size()) {
            error = "the byte range lies past the end";
            return false;
        }
        body = body.substr(static_cast<std::size_t>(range.offset), static_cast<std::size_t>(range.length));
    }
    return true;
}

SegmentReader::~SegmentReader() { close(); }

bool SegmentReader::open(Fetcher& fetcher, const std::string& location, FetchRange range, std::string& error)
{
    close();
    if (is_http_url(location)) {
        constexpr std::size_t most = std::size_t{1} << 30;
        return fetcher.fetch(location, range, most, body_, error);
    }
    fd_ = ::open(location.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st{};
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
        error = std::strerror(errno);
        close();
        return false;
    }
    if (!S_ISREG(st.st_mode)) {  // a device or a pipe may never end
        error = S_ISDIR(st.st_mode) ? "a directory" : "not a regular file";
        close();
        return false;
    }
    at_ = range.on ? range.offset : 0;
    left_ = range.on ? range.length : UINT64_MAX;
    return true;
}

std::size_t SegmentReader::read(unsigned char* into, std::size_t size)
{
    if (fd_ < 0) {
        const std::size_t n = std::min(size, body_.size() - body_at_);
        std::memcpy(into, body_.data() + body_at_, n);
        body_at_ += n;
        return n;
    }
    if (left_ < size)
        size = static_cast<std::size_t>(left_);
    for (;;) {
        const ssize_t n = size == 0 ? 0 : ::pread(fd_, into, size, static_cast<off_t>(at_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed_ = true;
            return 0;
        }
        at_ += static_cast<std::uint64_t>(n);
        left_ -= static_cast<std::uint64_t>(n);
        return static_cast<std::size_t>(n);
    }
}

void SegmentReader::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    body_.clear();
    body_.shrink_to_fit();
    body_at_ = 0;
    failed_ = false;
}

}  // namespace ostrel
