// The walk over a descriptor loop that the readers of single descriptors
// share: each whole descriptor's tag and bytes, in order; a descriptor cut
// by the end of the loop ends the walk.
#pragma once

#include <cstddef>

#include "ts/reader.hpp"

namespace ostrel {

template <class Each>
void for_each_descriptor(const unsigned char* loop, std::size_t length, Each each)
{
    Reader r{loop, length};
    while (r.left() >= 2) {
        const unsigned tag = r.u8();
        const Reader body = r.take(r.u8());
        if (r.cut)
            return;
        each(tag, body.data, body.size);
    }
}

}  // namespace ostrel
