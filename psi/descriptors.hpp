// Descriptor decoders by tag (ISO/IEC 13818-1 2.6, EN 300 468 6.2), each
// reading its fields off the descriptor's bytes into the sink.
#pragma once

#include "psi/decode_fields.hpp"

namespace ostrel {

using DescriptorDecoder = void (*)(SinkFields& f);

// The decoder of a tag, or null for one that is dumped; 0x83 only after a
// private_data_specifier that gives it its meaning.
DescriptorDecoder descriptor_decoder(unsigned tag, std::uint32_t private_data_specifier);

// The DVB ones, 0x40 to 0x7F and the private 0x83.
DescriptorDecoder dvb_descriptor_decoder(unsigned tag, std::uint32_t private_data_specifier);

}  // namespace ostrel
