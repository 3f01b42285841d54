#include "sources/capture/capture.hpp"

#include <cstring>

#include "sources/capture/pcap_library.hpp"

namespace ostrel {

struct Capture {
    PcapLibrary pcap_library;
    pcap_t* pcap;
    int link_type;
    std::uint64_t frames;
};

bool is_capture_start(const unsigned char* head, std::size_t length)
{
    if (length < capture_magic_bytes)
        return false;
    static constexpr unsigned char magics[][4] = {
        {0xA1, 0xB2, 0xC3, 0xD4}, {0xD4, 0xC3, 0xB2, 0xA1},  // microseconds
        {0xA1, 0xB2, 0x3C, 0x4D}, {0x4D, 0x3C, 0xB2, 0xA1},  // nanoseconds
        {0x0A, 0x0D, 0x0D, 0x0A},                            // pcapng section header block
    };
    for (const auto& magic : magics) {
        if (std::memcmp(head, magic, 4) == 0)
            return true;
    }
    return false;
}

Capture* capture_open(std::FILE* file, std::string& error)
{
    PcapLibrary l;
    if (!load_pcap(l, error)) {
        std::fclose(file);
        return nullptr;
    }
    char message[PCAP_ERRBUF_SIZE] = "";
    pcap_t* const pcap = l.fopen_offline(file, PCAP_TSTAMP_PRECISION_NANO, message);
    if (pcap == nullptr) {
        std::fclose(file);
        error = std::string("Capture cannot be read: ") + message;
        unload_pcap(l);
        return nullptr;
    }
    const int link_type = l.datalink(pcap);
    if (!link_type_known(link_type)) {
        const char* name = l.datalink_val_to_name(link_type);
        error = "Capture link type " + std::to_string(link_type) + (name != nullptr ? std::string(" (") + name + ")" : "") +
                " is not read (Ethernet, Linux cooked, raw IP and loopback are)";
        l.close(pcap);
        unload_pcap(l);
        return nullptr;
    }
    return new Capture{l, pcap, link_type, 0};
}

void capture_close(Capture* capture)
{
    if (capture != nullptr) {
        capture->pcap_library.close(capture->pcap);
        unload_pcap(capture->pcap_library);
        delete capture;
    }
}

bool capture_next(Capture& c, CaptureFrame& frame, OtherTraffic& other, std::string& error)
{
    for (;;) {
        pcap_pkthdr* header = nullptr;
        const unsigned char* data = nullptr;
        const int got = c.pcap_library.next_ex(c.pcap, &header, &data);
        if (got == PCAP_ERROR_BREAK)
            return false;
        if (got != 1) {
            error = std::string("Capture read failed after frame ") + std::to_string(c.frames) + ": " +
                    c.pcap_library.geterr(c.pcap);
            return false;
        }
        ++c.frames;
        ++other.frames;
        frame.number = c.frames;
        frame.time_ns = static_cast<std::int64_t>(header->ts.tv_sec) * 1'000'000'000 + header->ts.tv_usec;
        switch (read_frame(c.link_type, data, header->caplen, frame.datagram)) {
        case FrameKind::tcp:
            ++other.tcp;
            continue;
        case FrameKind::fragment:
            ++other.fragments;
            continue;
        case FrameKind::other:
            ++other.other;
            continue;
        case FrameKind::udp:
            break;
        }
        if (read_ts_payload(frame.datagram.payload, frame.datagram.length, frame.ts))
            return true;
        ++other.udp;
    }
}

}  // namespace ostrel
