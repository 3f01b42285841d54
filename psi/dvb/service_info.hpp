// What the summary reads off the SI tables the demux kept: a service's name,
// provider and type from the SDT, the network's name from the NIT.
#pragma once

#include <string>
#include <vector>

#include "psi/dvb/dvb_text.hpp"
#include "psi/table_decoders.hpp"

namespace ostrel {

struct ServiceInfo {
    bool found = false;  // the SDT lists the service with a service_descriptor
    unsigned service_type = 0;
    std::string provider, name;
};

ServiceInfo find_service(const std::vector<SectionBytes>& sdt, unsigned service_id, DvbText& text);
// The network_name of an NIT's first descriptor loop; false when it has none.
bool find_network_name(const std::vector<SectionBytes>& nit, DvbText& text, std::string& name);

}  // namespace ostrel
