#include "cli/output_pipe.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

namespace ostrel {

void widen_output_pipe(int fd, std::size_t wanted)
{
#ifdef F_SETPIPE_SZ
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISFIFO(info.st_mode))
        return;
    if (fcntl(fd, F_GETPIPE_SZ) >= static_cast<long>(wanted))
        return;
    if (fcntl(fd, F_SETPIPE_SZ, static_cast<int>(wanted)) >= 0)
        return;
    // Refused (above the limit for users without CAP_SYS_RESOURCE): take the limit.
    std::FILE* limit_file = std::fopen("/proc/sys/fs/pipe-max-size", "r");
    if (limit_file == nullptr)
        return;
    long limit = 0;
    if (std::fscanf(limit_file, "%ld", &limit) == 1 && limit > 0 && static_cast<unsigned long>(limit) < wanted)
        fcntl(fd, F_SETPIPE_SZ, static_cast<int>(limit));
    std::fclose(limit_file);
#else
    (void)fd;
    (void)wanted;
#endif
}

}  // namespace ostrel
