#include "psi/model/cat.hpp"

#include "ts/reader.hpp"

namespace ostrel {

CaDescriptor decode_ca_descriptor(const unsigned char* bytes, std::size_t length)
{
    Reader r{bytes, length};
    CaDescriptor ca{};
    ca.ca_system_id = r.u16();
    ca.system_known = !r.cut;
    r.skip(3);
    ca.ca_pid = static_cast<unsigned>(r.bits(13));
    ca.pid_known = !r.cut;
    const Reader rest = r.rest();
    ca.private_data = rest.data;
    ca.private_length = rest.size;
    return ca;
}

}  // namespace ostrel
