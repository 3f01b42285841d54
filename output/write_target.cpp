#include "output/write_target.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace ostrel {

bool open_target(const std::string& path, std::FILE* input, WriteTarget& target, std::string& error)
{
    target = WriteTarget{};
    target.path = path;
    if (path == "-") {
        target.file = stdout;
        target.is_stdout = true;
        return true;
    }
    struct stat in{}, out{};
    const bool exists = ::stat(path.c_str(), &out) == 0;
    if (exists && input != nullptr && ::fstat(fileno(input), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
        error = "Output file is the input file: " + path;
        return false;
    }
    if (exists && !S_ISREG(out.st_mode)) {
        target.file = std::fopen(path.c_str(), "wb");  // a device or a FIFO: written as it is
    } else {
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        std::string name = folder + ".ostrel-write-XXXXXX";
        std::vector<char> buffer(name.begin(), name.end());
        buffer.push_back('\0');
        const int fd = ::mkstemp(buffer.data());
        if (fd >= 0) {
            target.temporary = buffer.data();
            target.file = ::fdopen(fd, "wb");
            if (target.file == nullptr) {
                ::close(fd);
                ::unlink(target.temporary.c_str());
            }
        }
    }
    if (target.file == nullptr) {
        error = "Open failed on output file : " + path;
        return false;
    }
    static constexpr std::size_t buffer_bytes = 1 << 20;
    target.buffer = std::make_unique<char[]>(buffer_bytes);
    std::setvbuf(target.file, target.buffer.get(), _IOFBF, buffer_bytes);
    return true;
}

bool close_target(WriteTarget& target, bool ok)
{
    bool written = std::fflush(target.file) == 0 && !std::ferror(target.file);
    if (!target.is_stdout)
        written = std::fclose(target.file) == 0 && written;
    target.file = nullptr;
    if (target.temporary.empty())
        return written;
    if (ok && written) {
        // The mode the file had, or the one a new file gets (mkstemp makes it 0600).
        struct stat old{};
        if (::stat(target.path.c_str(), &old) == 0) {
            ::chmod(target.temporary.c_str(), old.st_mode & 07777);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::chmod(target.temporary.c_str(), 0666 & ~mask);
        }
        if (std::rename(target.temporary.c_str(), target.path.c_str()) == 0)
            return true;
        written = false;
    }
    ::unlink(target.temporary.c_str());
    return written;
}

}  // namespace ostrel
