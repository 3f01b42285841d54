#include "sources/capture/pcap_library.hpp"

#include <iterator>

#include "ts/shared_library.hpp"

namespace ostrel {
namespace {

// The names the library goes by: Debian's soname, then others'.
constexpr const char* library_names[] = {"libpcap.so.0.8", "libpcap.so.1", "libpcap.so"};

}  // namespace

bool load_pcap(PcapLibrary& l, std::string& error)
{
    std::string why;
    l.handle = open_shared_library(library_names, std::size(library_names), why);
    if (l.handle == nullptr) {
        error = "ostrel: libpcap cannot be loaded (Debian: libpcap0.8): " + why;
        return false;
    }
    if (take_function(l.handle, "pcap_fopen_offline_with_tstamp_precision", l.fopen_offline) &&
        take_function(l.handle, "pcap_datalink", l.datalink) && take_function(l.handle, "pcap_datalink_val_to_name", l.datalink_val_to_name) &&
        take_function(l.handle, "pcap_next_ex", l.next_ex) && take_function(l.handle, "pcap_geterr", l.geterr) &&
        take_function(l.handle, "pcap_close", l.close))
        return true;
    error = "ostrel: libpcap lacks a function this program reads captures with";
    unload_pcap(l);
    return false;
}

void unload_pcap(PcapLibrary& l)
{
    if (l.handle != nullptr)
        dlclose(l.handle);
    l = PcapLibrary{};
}

}  // namespace ostrel
