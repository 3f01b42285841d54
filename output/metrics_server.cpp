#include "output/metrics_server.hpp"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <cstring>
#include <iterator>

#include "ts/shared_library.hpp"

namespace ostrel {

struct HttpLibrary {
    void* handle = nullptr;
    decltype(&MHD_start_daemon) start = nullptr;
    decltype(&MHD_stop_daemon) stop = nullptr;
    decltype(&MHD_create_response_from_buffer) response = nullptr;
    decltype(&MHD_create_response_from_buffer_with_free_callback_cls) shared_response = nullptr;
    decltype(&MHD_add_response_header) header = nullptr;
    decltype(&MHD_queue_response) queue = nullptr;
    decltype(&MHD_destroy_response) destroy = nullptr;
    ~HttpLibrary()
    {
        if (handle != nullptr)
            dlclose(handle);
    }
};

namespace {

constexpr const char* library_names[] = {"libmicrohttpd.so.12", "libmicrohttpd.so"};
constexpr unsigned most_connections = 8;
constexpr unsigned idle_seconds = 5;               // a connection that sends nothing for this long is closed
constexpr std::size_t request_memory = 12 * 1024;  // request line and headers past about 8 KiB do not fit

constexpr const char* index_page =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>ostrel</title></head>\n"
    "<body><p>ostrel: the figures of the run are at <a href=\"/metrics\">/metrics</a>.</p></body></html>\n";

bool load(HttpLibrary& l, std::string& error)
{
    std::string why;
    l.handle = open_shared_library(library_names, std::size(library_names), why);
    if (l.handle == nullptr) {
        error = "ostrel: libmicrohttpd cannot be loaded (Debian: libmicrohttpd12): " + why;
        return false;
    }
    if (take_function(l.handle, "MHD_start_daemon", l.start) && take_function(l.handle, "MHD_stop_daemon", l.stop) &&
        take_function(l.handle, "MHD_create_response_from_buffer", l.response) &&
        take_function(l.handle, "MHD_create_response_from_buffer_with_free_callback_cls", l.shared_response) &&
        take_function(l.handle, "MHD_add_response_header", l.header) &&
        take_function(l.handle, "MHD_queue_response", l.queue) &&
        take_function(l.handle, "MHD_destroy_response", l.destroy))
        return true;
    error = "ostrel: libmicrohttpd lacks a function this program serves with";
    return false;
}

struct Served {
    const MetricsServer* server;
    const HttpLibrary* http;
};

// The response queued and let go: MHD holds it until it is sent.
MHD_Result queue(const HttpLibrary& h, MHD_Connection* c, unsigned status, MHD_Response* r, const char* type)
{
    if (r == nullptr)
        return MHD_NO;
    h.header(r, "Content-Type", type);
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED)
        h.header(r, "Allow", "GET, HEAD");
    const MHD_Result queued = h.queue(c, status, r);
    h.destroy(r);
    return queued;
}

MHD_Result answer(const HttpLibrary& h, MHD_Connection* c, unsigned status, const std::string& body, const char* type)
{
    return queue(h, c, status, h.response(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY), type);
}

using SharedText = std::shared_ptr<const std::string>;

void let_go(void* held) { delete static_cast<SharedText*>(held); }

// The snapshot sent as it stands, kept alive until MHD is done with it.
MHD_Result answer_shared(const HttpLibrary& h, MHD_Connection* c, SharedText text, const char* type)
{
    auto* held = new SharedText(std::move(text));
    MHD_Response* r = h.shared_response((*held)->size(), const_cast<char*>((*held)->data()), &let_go, held);
    if (r == nullptr)
        let_go(held);
    return queue(h, c, MHD_HTTP_OK, r, type);
}

MHD_Result handle(void* cls, MHD_Connection* c, const char* url, const char* method, const char*, const char*,
                  std::size_t* upload_size, void**)
{
    const Served& s = *static_cast<const Served*>(cls);
    *upload_size = 0;  // a body is never read
    const char* text = "text/plain; charset=utf-8";
    if (std::strcmp(method, "GET") != 0 && std::strcmp(method, "HEAD") != 0)
        return answer(*s.http, c, MHD_HTTP_METHOD_NOT_ALLOWED, "method not allowed\n", text);
    if (std::strcmp(url, "/metrics") == 0)
        return answer_shared(*s.http, c, s.server->snapshot(), "text/plain; version=0.0.4; charset=utf-8");
    if (std::strcmp(url, "/") == 0)
        return answer(*s.http, c, MHD_HTTP_OK, index_page, "text/html; charset=utf-8");
    return answer(*s.http, c, MHD_HTTP_NOT_FOUND, "not found\n", text);
}

}  // namespace

bool parse_metrics_address(const std::string& text, MetricsAddress& a)
{
    std::string host = "127.0.0.1", port = text;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return false;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    char* end = nullptr;
    const unsigned long n = std::strtoul(port.c_str(), &end, 10);
    if (port.empty() || *end != 0 || port[0] < '0' || port[0] > '9' || n == 0 || n > 65535)
        return false;
    in6_addr six{};
    in_addr four{};
    if (inet_pton(AF_INET, host.c_str(), &four) != 1 && inet_pton(AF_INET6, host.c_str(), &six) != 1)
        return false;
    a.address = host;
    a.port = static_cast<unsigned>(n);
    return true;
}

MetricsServer::MetricsServer() = default;

MetricsServer::~MetricsServer()
{
    if (daemon_ != nullptr)
        http_->stop(static_cast<MHD_Daemon*>(daemon_));
    delete static_cast<Served*>(served_);
}

bool MetricsServer::start(const MetricsAddress& address, std::string& error)
{
    http_ = std::make_unique<HttpLibrary>();
    if (!load(*http_, error))
        return false;
    sockaddr_storage where{};
    unsigned flags = MHD_USE_POLL_INTERNAL_THREAD;  // poll(): few connections, no epoll_ctl for each
    if (address.address.find(':') != std::string::npos) {
        auto* six = reinterpret_cast<sockaddr_in6*>(&where);
        six->sin6_family = AF_INET6;
        six->sin6_port = htons(static_cast<std::uint16_t>(address.port));
        inet_pton(AF_INET6, address.address.c_str(), &six->sin6_addr);
        flags |= MHD_USE_IPv6;
    } else {
        auto* four = reinterpret_cast<sockaddr_in*>(&where);
        four->sin_family = AF_INET;
        four->sin_port = htons(static_cast<std::uint16_t>(address.port));
        inet_pton(AF_INET, address.address.c_str(), &four->sin_addr);
    }
    served_ = new Served{this, http_.get()};
    daemon_ = http_->start(flags, static_cast<std::uint16_t>(address.port), nullptr, nullptr, &handle, served_,
                           MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&where), MHD_OPTION_CONNECTION_LIMIT,
                           most_connections, MHD_OPTION_CONNECTION_TIMEOUT, idle_seconds,
                           MHD_OPTION_CONNECTION_MEMORY_LIMIT, request_memory, MHD_OPTION_END);
    if (daemon_ == nullptr) {
        error = "ostrel: --metrics: cannot listen on " + address.address + " port " + std::to_string(address.port);
        return false;
    }
    return true;
}

void MetricsServer::publish(std::string snapshot)
{
    SharedText next = std::make_shared<const std::string>(std::move(snapshot));
    const std::lock_guard<std::mutex> hold(lock_);
    snapshot_.swap(next);  // the old text is let go outside the lock (or by the last scrape sending it)
}

SharedText MetricsServer::snapshot() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return snapshot_;
}

}  // namespace ostrel
