// srt://HOST:PORT?… as the command line gives it: the host, the port and
// the libsrt options the query sets, each checked before anything is opened.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "sources/srt/srt_receiver.hpp"

namespace ostrel {
namespace {

std::string value_of(const std::string& query, const std::string& key, bool& found)
{
    for (std::size_t at = 0; at < query.size();) {
        const std::size_t end = std::min(query.find('&', at), query.size());
        const std::string pair = query.substr(at, end - at);
        if (pair.rfind(key + "=", 0) == 0) {
            found = true;
            return pair.substr(key.size() + 1);
        }
        at = end + 1;
    }
    found = false;
    return "";
}

}  // namespace

bool is_srt_url(const char* text) { return std::strncmp(text, "srt://", 6) == 0; }

bool parse_srt_url(const char* text, SrtAddress& a, std::string& error)
{
    std::string rest = text + 6, query;
    if (const std::size_t q = rest.find('?'); q != std::string::npos) {
        query = rest.substr(q + 1);
        rest.resize(q);
    }
    std::string port = rest;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            port.clear();
        else {
            a.host = rest.substr(1, close - 1);
            port = rest.substr(close + 2);
        }
    } else if (const std::size_t colon = rest.rfind(':'); colon != std::string::npos) {
        a.host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
    } else {
        port.clear();
    }
    char* end = nullptr;
    const unsigned long n = std::strtoul(port.c_str(), &end, 10);
    bool found = false;
    if (port.empty() || *end != 0 || n == 0 || n > 65535) {
        error = std::string("Invalid SRT address (srt://HOST:PORT): ") + text;
        return false;
    }
    a.port = static_cast<unsigned>(n);
    if (std::string mode = value_of(query, "mode", found); found)
        a.mode = mode;
    if (std::string v = value_of(query, "latency", found); found)
        a.latency_ms = std::atoi(v.c_str());
    a.passphrase = value_of(query, "passphrase", found);
    if (std::string v = value_of(query, "pbkeylen", found); found)
        a.pbkeylen = std::atoi(v.c_str());
    a.streamid = value_of(query, "streamid", found);
    if (a.mode != "caller" && a.mode != "listener" && a.mode != "rendezvous") {
        error = "Invalid SRT mode (caller, listener or rendezvous): " + a.mode;
        return false;
    }
    if (!a.passphrase.empty() && (a.passphrase.size() < 10 || a.passphrase.size() > 79)) {
        error = "Invalid SRT passphrase: 10 to 79 characters";
        return false;
    }
    if (a.pbkeylen != 0 && a.pbkeylen != 16 && a.pbkeylen != 24 && a.pbkeylen != 32) {
        error = "Invalid SRT pbkeylen: 16, 24 or 32";
        return false;
    }
    return true;
}

}  // namespace ostrel
