// Standard output into a pipe: a pipe buffer as large as the output buffer, so
// that each large write is handed to the reader in one piece, not sixteen.
#pragma once

#include <cstddef>

namespace ostrel {

// When `fd` is a pipe, asks for a buffer of `wanted` bytes, or failing that for
// the largest the system allows (/proc/sys/fs/pipe-max-size). Silent: where the
// call is refused or unknown, the pipe stays as it is.
void widen_output_pipe(int fd, std::size_t wanted);

}  // namespace ostrel
