#include "pass/segments.hpp"

#include <new>

#include "pass/analysis.hpp"
#include "ts/packet_header.hpp"
#include "ts/pes.hpp"

namespace ostrel {
namespace {

constexpr std::int64_t pts_wrap = std::int64_t{1} << 33;
constexpr std::uint64_t pcr_wrap = (std::uint64_t{1} << 33) * 300;
constexpr double pts_hz = 90000.0;
constexpr unsigned rap_packets = 16;  // packets of the first PES looked at for its first picture

// A PTS unwrapped against the one before it: the nearer of the values it may stand for.
std::int64_t unwrap(std::uint64_t raw, bool& started, std::uint64_t& last_raw, std::int64_t& at)
{
    if (!started) {
        started = true;
        at = static_cast<std::int64_t>(raw);
    } else {
        std::int64_t d = (static_cast<std::int64_t>(raw) - static_cast<std::int64_t>(last_raw)) % pts_wrap;
        if (d >= pts_wrap / 2)
            d -= pts_wrap;
        else if (d < -pts_wrap / 2)
            d += pts_wrap;
        at += d;
    }
    last_raw = raw;
    return at;
}

void take_pts(PtsSpan& s, std::int64_t pts)
{
    if (!s.seen) {
        s = PtsSpan{true, pts, pts, 0, pts};
        return;
    }
    s.low = pts < s.low ? pts : s.low;
    s.high = pts > s.high ? pts : s.high;
    s.step = pts - s.last;
    s.last = pts;
}

// Samples an audio frame holds, by codec; 0 unknown.
unsigned frame_samples(Probe kind, const StreamFormat& f)
{
    switch (kind) {
    case Probe::adts: case Probe::latm: return 1024;
    case Probe::ac3: return 1536;
    case Probe::mpeg_audio: return f.layer == 1 ? 384 : 1152;
    default: return 0;
    }
}

double frame_duration(const Analysis& a, unsigned pid, bool video)
{
    const StreamFormat* f = probed_format(a, pid);
    if (f == nullptr)
        return 0;
    if (video)
        return f->frame_rate > 0 ? 1 / f->frame_rate : 0;
    const unsigned samples = frame_samples(probe_kind(a, pid), *f);
    return samples > 0 && f->sample_rate > 0 ? static_cast<double>(samples) / f->sample_rate : 0;
}

// The figures of the segment under way, out to the listener.
void emit(Analysis& a, SegmentTracker& t, std::uint64_t end)
{
    SegmentFigures& f = t.figures;
    f.entry = &t.entry;
    f.bytes = end > t.entry.offset ? end - t.entry.offset : 0;
    f.video = t.video_pid != no_pid && t.video.seen;
    f.pts = f.video ? t.video : t.audio;
    const unsigned pid = f.video ? t.video_pid : t.audio_pid;
    if (f.pts.seen) {
        f.frame_duration = frame_duration(a, pid, f.video);
        const double step = static_cast<double>(f.pts.step) / pts_hz;
        f.last_duration = f.video && f.frame_duration > 0 ? f.frame_duration : (step > 0 ? step : f.frame_duration);
    }
    if (a.listener != nullptr)
        a.listener->segment(a, f);
}

// The start of the entry at the log's front: the one before goes out.
void begin_segment(Analysis& a, SegmentTracker& t, SegmentLog& log)
{
    SegmentEntry& next = log.entries.front();
    if (t.open)
        emit(a, t, next.offset);
    t.entry = std::move(next);
    log.pop();
    t.figures = SegmentFigures{};
    t.video = t.audio = PtsSpan{};
    t.rap = RapScan{};
    t.pcr_in_segment = false;
    t.open = true;
    if (t.entry.restart && t.entry.number > 0)
        restart_checks(a);
    if (!t.entry.failure.empty()) {  // no bytes: it goes out at once
        emit(a, t, t.entry.offset);
        t.open = false;
    }
}

// Start codes in the payload of the video's first PES packet until its first
// picture says whether it is one a decoder can start from.
void scan_rap(RapScan& r, SegmentFigures& f, Probe kind, const unsigned char* d, std::size_t n)
{
    for (std::size_t i = 0; i < n && r.on; ++i) {
        r.tail = (r.tail << 8 | d[i]) & 0xFFFFFFFF;
        if ((r.tail >> 8 & 0xFFFFFF) != 0x000001)
            continue;
        const unsigned code = r.tail & 0xFF;
        if (kind == Probe::h264 && (code & 0x1F) >= 1 && (code & 0x1F) <= 5) {
            f.rap = f.rap || (code & 0x1F) == 5;  // an IDR picture
            r.on = false;
        } else if (kind == Probe::hevc && (code >> 1 & 0x3F) < 32) {
            f.rap = f.rap || ((code >> 1 & 0x3F) >= 16 && (code >> 1 & 0x3F) <= 23);  // an IRAP picture
            r.on = false;
        } else if ((kind == Probe::mpeg2_video || kind == Probe::mpeg1_video) && (code == 0xB3 || code == 0x00)) {
            f.rap = f.rap || code == 0xB3;  // a sequence header before the first picture
            r.on = false;
        }
    }
    if (r.on && --r.packets_left == 0)
        r.on = false;
}

void take_pes_start(Analysis& a, SegmentTracker& t, unsigned pid, const unsigned char* p, std::size_t payload_at)
{
    SegmentFigures& f = t.figures;
    f.pes_seen = true;
    const Probe kind = probe_kind(a, pid);
    std::uint64_t raw = 0;
    const bool timed = pes_pts(p + payload_at, packet_size - payload_at, raw);
    if (t.video_pid == no_pid && probe_is_video(kind) && timed)
        t.video_pid = pid;
    if (t.audio_pid == no_pid && probe_is_audio(kind) && timed)
        t.audio_pid = pid;
    if (pid == t.video_pid) {
        if (timed)
            take_pts(t.video, unwrap(raw, t.video_unwrapped, t.video_raw, t.video_at));
        if (!f.has_video) {
            f.has_video = true;
            f.rap = HeaderView{p}.random_access();
            const std::size_t header = payload_at + 9 <= packet_size ? 9 + std::size_t{p[payload_at + 8]} : packet_size;
            t.rap = RapScan{true, rap_packets, 0xFFFFFF, true};
            if (payload_at + header < packet_size)
                scan_rap(t.rap, f, kind, p + payload_at + header, packet_size - payload_at - header);
        }
    } else if (pid == t.audio_pid && timed) {
        take_pts(t.audio, unwrap(raw, t.audio_unwrapped, t.audio_raw, t.audio_at));
    }
}

void take_boundary_pcr(SegmentTracker& t, const unsigned char* p, unsigned pid)
{
    if (t.pcr_pid == no_pid)
        t.pcr_pid = pid;
    if (pid != t.pcr_pid)
        return;
    const std::uint64_t pcr = clock_reference_ticks(p + 6);
    if (!t.pcr_in_segment && t.pcr_known) {
        t.figures.pcr_step_known = true;
        t.figures.pcr_step = static_cast<double>((pcr + pcr_wrap - t.last_pcr) % pcr_wrap) / 27e6;
    }
    t.pcr_in_segment = true;
    t.pcr_known = true;
    t.last_pcr = pcr;
}

}  // namespace

bool track_segments(Analysis& a, SegmentLog& log)
{
    a.segments = new (std::nothrow) SegmentTracker;
    if (a.segments == nullptr)
        return false;
    a.segment_log = &log;
    return true;
}

void untrack_segments(Analysis& a)
{
    delete a.segments;
    a.segments = nullptr;
}

void enter_segments(Analysis& a, std::uint64_t offset)
{
    SegmentLog& log = *a.segment_log;
    while (!log.entries.empty() && log.entries.front().offset <= offset)
        begin_segment(a, *a.segments, log);
}

void segment_packet(Analysis& a, SegmentTracker& t, const Packet& packet)
{
    if (packet.offset >= a.segment_log->next_offset)
        enter_segments(a, packet.offset);
    const unsigned char* const p = packet.ts;
    const HeaderView h{p};
    const unsigned pid = h.pid();
    const PidState& s = a.pids[pid];
    SegmentFigures& f = t.figures;
    const std::size_t payload_at = h.payload_at();
    const bool payload = h.has_payload() && payload_at < packet_size;
    const std::uint32_t segment = static_cast<std::uint32_t>(t.entry.number + 1);
    if (t.pid_segment[pid] != segment) {  // its first packet here: does its counter follow on?
        const unsigned expected = (s.cc + 1u) & 0x0F;
        if (t.pid_segment[pid] != 0 && pid != pid_null && payload && !f.cc_break && !h.discontinuity() &&
            h.counter() != expected && h.counter() != s.cc) {
            f.cc_break = true;
            f.cc_pid = pid;
        }
        t.pid_segment[pid] = segment;
    }
    if (has_pcr(p))
        take_boundary_pcr(t, p, pid);
    if (h.unit_start() && payload) {
        if (pid == pid_pat && !f.pes_seen)
            f.pat = true;
        else if ((s.role & role_pmt) && !f.pes_seen)
            f.pmt = true;
        if ((s.role & role_stream) && starts_pes(p + payload_at, packet_size - payload_at)) {
            take_pes_start(a, t, pid, p, payload_at);
            return;
        }
    }
    if (t.rap.on && pid == t.video_pid && payload)
        scan_rap(t.rap, f, probe_kind(a, pid), p + payload_at, packet_size - payload_at);
}

void finish_segments(Analysis& a)
{
    SegmentTracker& t = *a.segments;
    SegmentLog& log = *a.segment_log;
    while (!log.entries.empty())
        begin_segment(a, t, log);
    if (t.open)
        emit(a, t, a.bytes);
    t.open = false;
}

}  // namespace ostrel
