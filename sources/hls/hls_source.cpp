#include "sources/hls/hls_source.hpp"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace ostrel {
namespace {

constexpr unsigned char ts_sync = 0x47;

// How long a playlist's own clock runs: at least a second, however small its target.
double target_seconds(const Playlist& p) { return p.target_duration > 0 ? static_cast<double>(p.target_duration) : 1.0; }

std::string sequence_text(std::uint64_t s) { return std::to_string(s); }

}  // namespace

HlsSource::HlsSource(Fetcher& fetcher, std::string location, unsigned variant, const std::string& text,
                     LiveLimits settings)
    : fetcher_(fetcher), location_(std::move(location)), variant_(variant), settings_(settings)
{
    started_ = load_started_ = changed_at_ = Clock::now();
    last_text_ = text;
    Playlist p = parse_playlist(text);
    note_problems(p);
    live_ = !p.endlist && p.playlist_type != "VOD";
    take_playlist(std::move(p));
}

void HlsSource::note(HlsIndicator indicator, std::uint64_t sequence, std::string detail)
{
    constexpr std::size_t most_kept = 100000;  // beyond these, a run of weeks keeps none
    if (findings_.size() < most_kept)
        findings_.push_back(HlsFinding{indicator, variant_, sequence, playlist_time_, std::move(detail)});
}

void HlsSource::note_problems(const Playlist& p)
{
    for (const PlaylistProblem& problem : p.problems) {
        if (problems_seen_.insert({problem.line, problem.text}).second)
            note(HlsIndicator::playlist, no_sequence, "line " + std::to_string(problem.line) + ": " + problem.text);
    }
}

// The segments of a (re)loaded playlist after the last one taken join the queue.
void HlsSource::take_playlist(Playlist p)
{
    if (queued_at_ > 0) {
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(queued_at_));
        queued_at_ = 0;
    }
    for (MediaSegment& s : p.segments) {
        if (!any_taken_ || s.sequence > last_taken_) {
            last_taken_ = s.sequence;
            any_taken_ = true;
            queue_.push_back(std::move(s));
        }
    }
    if (!p.segments.empty()) {
        listed_ = true;
        first_sequence_ = p.segments.front().sequence;
        last_sequence_ = p.segments.back().sequence;
    }
    p.segments.clear();
    p.segments.shrink_to_fit();
    playlist_ = std::move(p);
    if (playlist_.endlist)
        live_ = false;
}

bool HlsSource::out_of_time() const
{
    if (stop_asked(settings_))
        return true;
    return live_ && settings_.for_seconds > 0 &&
           std::chrono::duration<double>(Clock::now() - started_).count() >= settings_.for_seconds;
}

bool HlsSource::wait_until(Clock::time_point when)
{
    while (Clock::now() < when) {
        if (out_of_time())
            return false;
        if (settings_.quiet)
            settings_.quiet();
        std::this_thread::sleep_for(std::min<Clock::duration>(when - Clock::now(), std::chrono::milliseconds(20)));
    }
    return !out_of_time();
}

// One reload of a live playlist, when it is due; false when the run ends.
bool HlsSource::reload()
{
    const Playlist& p = playlist_;
    const double wait = changed_ ? (last_extinf_ > 0 ? last_extinf_ : target_seconds(p)) : target_seconds(p) / 2;
    if (!wait_until(load_started_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(wait))))
        return false;
    load_started_ = Clock::now();
    std::string text, error;
    const bool read = fetcher_.fetch(location_, FetchRange{}, playlist_limit, text, error);
    if (!read)
        note(HlsIndicator::fetch, no_sequence, "the playlist: " + error);
    changed_ = read && text != last_text_;
    const double unchanged = std::chrono::duration<double>(load_started_ - changed_at_).count();
    if (!changed_) {
        if (unchanged >= 3 * target_seconds(p) && !stale_said_) {
            stale_said_ = true;
            char detail[96];
            std::snprintf(detail, sizeof detail, "unchanged for %.1f s (3 target durations: %.0f s)", unchanged,
                          3 * target_seconds(p));
            note(HlsIndicator::playlist_stale, any_taken_ ? last_taken_ : no_sequence, detail);
        }
        return unchanged < std::max(settings_.timeout_seconds, 3 * target_seconds(p));
    }
    changed_at_ = load_started_;
    stale_said_ = false;
    last_text_ = text;
    Playlist next = parse_playlist(text);
    note_problems(next);
    if (!next.segments.empty() && listed_) {
        const std::uint64_t first = next.segments.front().sequence;
        if (first < first_sequence_)
            note(HlsIndicator::media_sequence, first,
                 "the first media sequence number went back from " + sequence_text(first_sequence_) + " to " +
                     sequence_text(first));
        else if (first > last_sequence_ + 1)
            note(HlsIndicator::media_sequence, first,
                 (first == last_sequence_ + 2 ? "segment " + sequence_text(first - 1)
                                              : "segments " + sequence_text(last_sequence_ + 1) + " to " +
                                                    sequence_text(first - 1)) +
                     " never listed (the reload before ended at " + sequence_text(last_sequence_) + ")");
    }
    take_playlist(std::move(next));
    return true;
}

// The next segment into the queue's front; false when there is none (the end, or the run stopped).
bool HlsSource::take_segment()
{
    while (queued_at_ == queue_.size()) {
        if (!live_ || !reload())
            return false;
    }
    return !out_of_time();
}

// Opens the next segment that can be read and reads its first bytes into
// `into` (`first` of them); its entry goes into the log first. False at the end.
bool HlsSource::open_next(unsigned char* into, std::size_t size, std::size_t& first)
{
    while (take_segment()) {
        const MediaSegment& s = queue_[queued_at_++];
        last_extinf_ = s.extinf;
        SegmentEntry e;
        e.offset = handed_;
        e.number = taken_++;
        e.variant = variant_;
        e.segment = s;
        e.playlist_time = playlist_time_;
        e.restart = s.discontinuity || restart_next_;
        std::string error;
        first = 0;
        FetchRange range{s.ranged, s.range_offset, s.range_length};
        if (!s.key_method.empty()) {
            error = "encrypted (METHOD=" + s.key_method + "): not read";
        } else if (reader_.open(fetcher_, resolve_location(location_, s.uri), range, error)) {
            first = reader_.read(into, size);
            char why[80] = "";
            if (first == 0)
                std::snprintf(why, sizeof why, reader_.failed() ? "read failed" : "no bytes");
            else if (into[0] != ts_sync || (first > 188 && into[188] != ts_sync))
                std::snprintf(why, sizeof why, "not a transport stream (its first byte is '%02X'h)", into[0]);
            error = why;
        }
        if (error.empty()) {
            playlist_time_ += s.extinf;
            log_.push(std::move(e));
            restart_next_ = false;
            open_ = true;
            return true;
        }
        reader_.close();
        e.failure = error;
        log_.push(std::move(e));
        note(HlsIndicator::fetch, s.sequence, s.uri + ": " + error);  // timed at the segment's start
        playlist_time_ += s.extinf;
        restart_next_ = true;
        ++failed_segments_;
    }
    return false;
}

std::size_t HlsSource::read(unsigned char* into, std::size_t size)
{
    for (;;) {
        std::size_t n = 0;
        if (!open_) {
            if (!open_next(into, size, n))
                return 0;
        } else {
            n = reader_.read(into, size);
        }
        if (n > 0) {
            handed_ += n;
            return n;
        }
        if (reader_.failed()) {
            note(HlsIndicator::fetch, queue_[queued_at_ - 1].sequence, queue_[queued_at_ - 1].uri + ": read failed");
            restart_next_ = true;
            ++failed_segments_;
        }
        reader_.close();
        open_ = false;
    }
}

}  // namespace ostrel
