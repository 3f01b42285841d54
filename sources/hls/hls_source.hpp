// A media playlist read as one transport stream: its segments in order,
// fetched one at a time, their bytes handed on back to back with each
// segment's start in the segment log. A segment that cannot be read is a
// Fetch_error and the stream goes on with the next, whose checks start
// again. A live playlist (no #EXT-X-ENDLIST) is reloaded as RFC 8216 6.3.4
// says, its new segments taken in media sequence order, until the run is
// stopped or the playlist stays unchanged or unreadable for the timeout.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "sources/file/byte_window.hpp"
#include "sources/live_limits.hpp"
#include "sources/hls/fetch.hpp"
#include "sources/hls/hls_finding.hpp"
#include "sources/hls/playlist.hpp"
#include "sources/hls/segment_log.hpp"

namespace ostrel {


inline constexpr std::size_t playlist_limit = std::size_t{16} << 20;  // bytes a playlist may have

class HlsSource final : public ByteSource {
public:
    HlsSource(Fetcher& fetcher, std::string location, unsigned variant, const std::string& text, LiveLimits settings);
    std::size_t read(unsigned char* into, std::size_t size) override;
    SegmentLog* segments() override { return &log_; }
    // Some segment could not be read: the stream lacks its bytes.
    bool cut_short() const override { return failed_segments_ > 0; }
    // The findings of the playlist and of the fetches so far.
    const std::vector<HlsFinding>& findings() const { return findings_; }
    bool live() const { return live_; }
    const Playlist& playlist() const { return playlist_; }

private:
    using Clock = std::chrono::steady_clock;
    bool open_next(unsigned char* into, std::size_t size, std::size_t& first);
    bool take_segment();
    bool reload();
    bool wait_until(Clock::time_point when);
    bool out_of_time() const;
    void note(HlsIndicator indicator, std::uint64_t sequence, std::string detail);
    void note_problems(const Playlist& p);
    void take_playlist(Playlist p);

    Fetcher& fetcher_;
    std::string location_;
    unsigned variant_;
    LiveLimits settings_;
    Playlist playlist_;
    std::vector<MediaSegment> queue_;  // segments not yet read, in order
    std::size_t queued_at_ = 0;
    SegmentReader reader_;
    bool open_ = false;
    SegmentLog log_;
    std::uint64_t handed_ = 0, taken_ = 0;
    double playlist_time_ = 0;
    bool restart_next_ = false;
    std::uint64_t failed_segments_ = 0;
    std::vector<HlsFinding> findings_;
    std::set<std::pair<unsigned, std::string>> problems_seen_;
    // Live reloading
    bool live_ = false;
    std::string last_text_;
    bool any_taken_ = false, listed_ = false;
    double last_extinf_ = 0;            // of the last segment taken: when a changed playlist is reloaded
    std::uint64_t last_taken_ = 0;      // media sequence of the last segment queued
    std::uint64_t first_sequence_ = 0;  // of the last reload
    std::uint64_t last_sequence_ = 0;
    Clock::time_point started_, load_started_, changed_at_;
    bool changed_ = true, stale_said_ = false;
};

}  // namespace ostrel
