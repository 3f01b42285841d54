// Libraries loaded when an input needs them (libpcap for a capture, libcurl
// for a playlist on a web server): a run over a plain file loads neither,
// nor the many libraries they bring, whose relocation would be most of the
// program's start.
#pragma once

#include <dlfcn.h>

#include <cstddef>
#include <string>

namespace ostrel {

// The first of `names` (sonames, most likely first) that loads; null with
// `why` set when none does.
void* open_shared_library(const char* const* names, std::size_t count, std::string& why);

// The function `name` of `handle` into `function`; false when it has none.
template <class F>
bool take_function(void* handle, const char* name, F& function)
{
    function = reinterpret_cast<F>(dlsym(handle, name));
    return function != nullptr;
}

}  // namespace ostrel
