#include "sources/capture/pcap_library.hpp"

#include <dlfcn.h>

namespace ostrel {
namespace {

// The names the library goes by: Debian's soname, then others'.
constexpr const char* library_names[] = {"libpcap.so.0.8", "libpcap.so.1", "libpcap.so"};

template <class F>
bool take(void* handle, const char* name, F& function)
{
    function = reinterpret_cast<F>(dlsym(handle, name));
    return function != nullptr;
}

}  // namespace

bool load_pcap(PcapLibrary& l, std::string& error)
{
    for (const char* name : library_names) {
        l.handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (l.handle != nullptr)
            break;
    }
    if (l.handle == nullptr) {
        const char* why = dlerror();
        error = std::string("ostrel: libpcap cannot be loaded (Debian: libpcap0.8): ") + (why != nullptr ? why : "");
        return false;
    }
    if (take(l.handle, "pcap_fopen_offline_with_tstamp_precision", l.fopen_offline) &&
        take(l.handle, "pcap_datalink", l.datalink) && take(l.handle, "pcap_datalink_val_to_name", l.datalink_val_to_name) &&
        take(l.handle, "pcap_next_ex", l.next_ex) && take(l.handle, "pcap_geterr", l.geterr) &&
        take(l.handle, "pcap_close", l.close))
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
