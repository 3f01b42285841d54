#include "ts/shared_library.hpp"

namespace ostrel {

void* open_shared_library(const char* const* names, std::size_t count, std::string& why)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (void* handle = dlopen(names[i], RTLD_NOW | RTLD_LOCAL))
            return handle;
    }
    const char* error = dlerror();
    why = error != nullptr ? error : "";
    return nullptr;
}

}  // namespace ostrel
