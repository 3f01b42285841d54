#include "psi/dvb/service_info.hpp"

#include "ts/descriptor_loop.hpp"

namespace ostrel {
namespace {

// The body of the first descriptor with `tag` in the loop; false when none is whole.
bool find_descriptor(const Reader& loop, unsigned tag, Reader& body)
{
    bool found = false;
    for_each_descriptor(loop.data, loop.size, [&](unsigned t, const unsigned char* d, std::size_t n) {
        if (t == tag && !found) {
            body = Reader{d, n};
            found = true;
        }
    });
    return found;
}

std::string dvb_string(Reader& r, DvbText& text)
{
    Reader s = r.take(r.u8());
    return r.cut ? std::string() : text.to_utf8(s.data, s.size);
}

}  // namespace

ServiceInfo find_service(const std::vector<SectionBytes>& sdt, unsigned service_id, DvbText& text)
{
    ServiceInfo info;
    for (const SectionBytes& section : sdt) {
        Reader r = section_body(0x42, section);
        r.skip(24);  // original_network_id, reserved_future_use
        while (r.left() >= 5) {
            const unsigned id = r.u16();
            r.skip(12);
            Reader loop = r.take(static_cast<std::size_t>(r.bits(12)));
            Reader d;
            if (id != service_id || !find_descriptor(loop, 0x48, d))
                continue;
            info.service_type = d.u8();
            info.provider = dvb_string(d, text);
            info.name = dvb_string(d, text);
            info.found = !d.cut;
            return info;
        }
    }
    return info;
}

bool find_network_name(const std::vector<SectionBytes>& nit, DvbText& text, std::string& name)
{
    for (const SectionBytes& section : nit) {
        Reader r = section_body(0x40, section);
        r.skip(4);
        Reader loop = r.take(static_cast<std::size_t>(r.bits(12)));
        Reader d;
        if (find_descriptor(loop, 0x40, d)) {
            name = text.to_utf8(d.data, d.size);
            return true;
        }
    }
    return false;
}

}  // namespace ostrel
