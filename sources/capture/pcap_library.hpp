// libpcap, loaded when a capture is opened: a run over a transport stream
// file loads none of it, nor the libraries it brings (D-Bus, systemd,
// gcrypt, compressors), whose relocation was most of the program's start.
#pragma once

#include <pcap/pcap.h>

#include <string>

namespace ostrel {

struct PcapLibrary {
    void* handle = nullptr;
    decltype(&pcap_fopen_offline_with_tstamp_precision) fopen_offline = nullptr;
    decltype(&pcap_datalink) datalink = nullptr;
    decltype(&pcap_datalink_val_to_name) datalink_val_to_name = nullptr;
    decltype(&pcap_next_ex) next_ex = nullptr;
    decltype(&pcap_geterr) geterr = nullptr;
    decltype(&pcap_close) close = nullptr;
};

// False with `error` set when the library or one of its functions cannot be had.
bool load_pcap(PcapLibrary& library, std::string& error);
void unload_pcap(PcapLibrary& library);

}  // namespace ostrel
