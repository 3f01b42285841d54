#include "pass/probe.hpp"

#include <cstring>
#include <new>

#include "pass/analysis.hpp"
#include "ts/pes.hpp"

namespace ostrel {
namespace {

// A format read, its codec named where the probe names none.
bool named(bool read, StreamFormat& f, const char* codec, const char* text)
{
    if (read && f.codec == nullptr) {
        f.codec = codec;
        f.codec_text = text;
    }
    return read;
}

bool probe_any_video(ProbeSlot& p)
{
    StreamFormat& f = p.format;
    return named(probe_h264(p.data, p.have, f), f, "h264", "H.264 / AVC video") ||
           named(probe_hevc(p.data, p.have, f), f, "hevc", "H.265 / HEVC video") ||
           named(probe_mpeg_video(p.data, p.have, true, f), f, "mpeg2video", "MPEG-2 video");
}

bool probe_any_audio(ProbeSlot& p)
{
    static constexpr const char* layers[] = {"mp1", "mp2", "mp3"};
    StreamFormat& f = p.format;
    if (!probe_mpeg_audio(p.data, p.have, f))
        return false;
    return named(true, f, f.layer >= 1 && f.layer <= 3 ? layers[f.layer - 1] : "mp2", "MPEG audio");
}

bool run_probe(ProbeSlot& p)
{
    switch (p.kind) {
    case Probe::mpeg1_video: return probe_mpeg_video(p.data, p.have, false, p.format);
    case Probe::mpeg2_video: return probe_mpeg_video(p.data, p.have, true, p.format);
    case Probe::h264: return probe_h264(p.data, p.have, p.format);
    case Probe::hevc: return probe_hevc(p.data, p.have, p.format);
    case Probe::adts: return probe_adts(p.data, p.have, p.format);
    case Probe::mpeg_audio: return probe_mpeg_audio(p.data, p.have, p.format);
    case Probe::ac3: return probe_ac3(p.data, p.have, p.format);
    case Probe::dts: return probe_dts(p.data, p.have, p.format);
    case Probe::latm: return probe_latm(p.data, p.have, p.format);
    case Probe::any_video: return probe_any_video(p);
    case Probe::any_audio: return probe_any_audio(p);
    case Probe::any_private:
        return probe_ac3(p.data, p.have, p.format) || probe_dts(p.data, p.have, p.format);
    case Probe::none: return false;
    }
    return false;
}

void stop_probe(ProbeState& s) { s.probing = false; }

// Pictures a second from the smallest step between the PTS seen (pictures
// come in decoding order, so a step may span several); 0 when none is known.
double pts_frame_rate(const ProbeSlot& p)
{
    constexpr std::uint64_t wrap = std::uint64_t{1} << 33;
    std::uint64_t least = 0;
    for (unsigned i = 0; i < p.pts_count; ++i)
        for (unsigned k = 0; k < p.pts_count; ++k) {
            const std::uint64_t step = (p.pts[k] + wrap - p.pts[i]) % wrap;
            if (step > 0 && step < 90000 && (least == 0 || step < least))
                least = step;
        }
    return least > 0 ? 90000.0 / static_cast<double>(least) : 0;
}

// A PES packet's PTS, for a video whose headers were read without a frame rate.
void take_pts(ProbeState& s, ProbeSlot& p, const unsigned char* d, std::size_t n)
{
    std::uint64_t pts;
    if (p.header_read && ++p.pes_after > 4 * probe_pts)
        return stop_probe(s);  // PES packets without PTS: the rate stays unknown
    if (!probe_is_video(p.kind) || p.pts_count == probe_pts || !pes_pts(d, n, pts))
        return;
    p.pts[p.pts_count++] = pts;
    if (p.header_read && p.pts_count >= 3)  // the headers gave no rate: the PTS do, better with each
        p.format.frame_rate = pts_frame_rate(p);
    if (p.header_read && p.pts_count == probe_pts)
        stop_probe(s);
}

}  // namespace

void start_probe(Analysis& a, unsigned pid, Probe kind)
{
    ProbeState& s = a.probe_states[pid];
    if (kind != Probe::none && s.probe != 0 && s.stream_id != 0) {
        // The map table names a stream probed by its stream_id: its own probe from here.
        ProbeSlot& p = *a.probes[s.probe - 1];
        if (p.kind != kind && !p.format.known) {  // the bytes gathered so far are read by it too
            p.kind = kind;
            p.format = StreamFormat{};
        }
        return;
    }
    if (kind == Probe::none || s.probe != 0 || a.probe_count == max_probes)
        return;
    ProbeSlot* p = new (std::nothrow) ProbeSlot;
    if (p == nullptr)
        return;
    p->pid = pid;
    p->kind = kind;
    a.probes[a.probe_count++] = p;
    s.probe = static_cast<unsigned char>(a.probe_count);
    s.probing = true;
    a.pids[pid].next_plain_byte3 = no_plain_packet;  // until the format is known
}

void note_pes_stream(Analysis& a, unsigned pid, const unsigned char* payload, std::size_t size)
{
    ProbeState& s = a.probe_states[pid];
    if (s.stream_id != 0 || !starts_pes(payload, size))
        return;
    s.stream_id = payload[3];
    if (s.probe == 0)
        start_probe(a, pid, probe_by_stream_id(payload[3]));
}

bool probing(const Analysis& a, unsigned pid) { return a.probe_states[pid].probing; }

void probe_packet(Analysis& a, unsigned pid, const Packet& packet, std::size_t payload_at, bool unit_start)
{
    ProbeState& s = a.probe_states[pid];
    ProbeSlot& p = *a.probes[s.probe - 1];
    const unsigned char* d = packet.ts + payload_at;
    std::size_t n = packet_size - payload_at;
    if (unit_start) {
        if (n < 9 || d[0] != 0 || d[1] != 0 || d[2] != 1) {
            p.gathering = false;
            return;
        }
        take_pts(s, p, d, n);
        if (!s.probing)
            return;
        const std::size_t header = pes_has_optional_header(d[3]) ? 9u + d[8] : 6u;
        p.gathering = header < n && !p.header_read;
        if (!p.gathering)
            return;
        d += header;
        n -= header;
    } else if (!p.gathering) {
        return;
    }
    while (n > 0) {
        if (p.have == probe_bytes) {  // the window moves on, its last bytes kept
            std::memmove(p.data, p.data + probe_bytes - probe_overlap, probe_overlap);
            p.have = probe_overlap;
        }
        const std::size_t take = n < probe_bytes - p.have ? n : probe_bytes - p.have;
        std::memcpy(p.data + p.have, d, take);
        p.have += take;
        p.seen += take;
        d += take;
        n -= take;
        if (p.seen >= probe_most)
            return stop_probe(s);
        if (!run_probe(p))
            continue;
        // Read. Video with no frame rate in its headers waits for a few PTS.
        if (!probe_is_video(p.kind) || p.format.frame_rate > 0)
            return stop_probe(s);
        p.header_read = true;
        p.gathering = false;
        if (p.pts_count >= 3)
            p.format.frame_rate = pts_frame_rate(p);
        return;
    }
}

Probe probe_kind(const Analysis& a, unsigned pid)
{
    const ProbeState& s = a.probe_states[pid];
    return s.probe == 0 ? Probe::none : a.probes[s.probe - 1]->kind;
}

const StreamFormat* probed_format(const Analysis& a, unsigned pid)
{
    const ProbeState& s = a.probe_states[pid];
    if (s.probe == 0)
        return nullptr;
    const ProbeSlot& p = *a.probes[s.probe - 1];
    return p.format.known ? &p.format : nullptr;
}

}  // namespace ostrel
