// A playlist named on the command line, as the reports get it: its text and
// what it says, the fetcher that read it, and the variant asked for.
#pragma once

#include <string>

#include "sources/hls/fetch.hpp"
#include "sources/hls/hls_source.hpp"
#include "sources/hls/playlist.hpp"

namespace ostrel {

struct HlsInput {
    std::string location;  // a path or a URL
    std::string text;
    Playlist playlist;     // a media playlist, or a multivariant one
    Fetcher* fetcher;
    LiveLimits settings;
    unsigned variant;      // --variant:N, the one the other reports read
};

}  // namespace ostrel
