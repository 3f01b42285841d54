#include "output/write_target.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ostrel {
namespace {

// The temporary file a signal removes: the one state the handler shares with
// the program, set before the handlers are installed and cleared after they
// are restored.
char removed_on_signal[PATH_MAX + 1];
constexpr int ending_signals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction before[std::size(ending_signals)];
bool installed[std::size(ending_signals)];

extern "C" void remove_and_end(int signal_number)
{
    ::unlink(removed_on_signal);
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

void remove_on_signals(const std::string& temporary)
{
    if (temporary.size() > PATH_MAX)
        return;
    std::memcpy(removed_on_signal, temporary.c_str(), temporary.size() + 1);
    for (std::size_t i = 0; i < std::size(ending_signals); ++i) {
        struct sigaction current{};
        installed[i] = ::sigaction(ending_signals[i], nullptr, &current) == 0 && current.sa_handler == SIG_DFL;
        if (!installed[i])
            continue;  // a live run ends cleanly on it, and then removes the file itself
        struct sigaction a{};
        a.sa_handler = remove_and_end;
        sigemptyset(&a.sa_mask);
        ::sigaction(ending_signals[i], &a, &before[i]);
    }
}

void keep_on_signals()
{
    for (std::size_t i = 0; i < std::size(ending_signals); ++i) {
        if (installed[i])
            ::sigaction(ending_signals[i], &before[i], nullptr);
        installed[i] = false;
    }
    removed_on_signal[0] = 0;
}

// The file `path` names: the target of a symbolic link (of a chain of them), else `path`.
std::string written_path(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link{};
        if (::lstat(p.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return p;
        char target[PATH_MAX + 1];
        const ssize_t n = ::readlink(p.c_str(), target, PATH_MAX);
        if (n <= 0)
            return p;
        target[n] = 0;
        const std::size_t slash = p.rfind('/');
        p = target[0] == '/' || slash == std::string::npos ? std::string(target) : p.substr(0, slash + 1) + target;
    }
    return p;
}

}  // namespace

bool open_target(const std::string& path, std::FILE* input, WriteTarget& target, std::string& error)
{
    target = WriteTarget{};
    target.path = written_path(path);
    if (path == "-") {
        target.file = stdout;
        target.is_stdout = true;
        return true;
    }
    struct stat in{}, out{};
    const bool exists = ::stat(target.path.c_str(), &out) == 0;
    if (exists && input != nullptr && ::fstat(fileno(input), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
        error = "Output file is the input file: " + path;
        return false;
    }
    if (exists && !S_ISREG(out.st_mode)) {
        target.file = std::fopen(target.path.c_str(), "wb");  // a device or a FIFO: written as it is
    } else {
        const std::size_t slash = target.path.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : target.path.substr(0, slash + 1);
        std::string name = folder + ".ostrel-write-XXXXXX";
        std::vector<char> buffer(name.begin(), name.end());
        buffer.push_back('\0');
        const int fd = ::mkstemp(buffer.data());
        if (fd >= 0) {
            target.temporary = buffer.data();
            remove_on_signals(target.temporary);
            target.file = ::fdopen(fd, "wb");
            if (target.file == nullptr) {
                const int why = errno;
                ::close(fd);
                ::unlink(target.temporary.c_str());
                keep_on_signals();
                errno = why;
            }
        }
    }
    if (target.file == nullptr) {
        error = "Open failed on output file : " + path + "\nostrel: " + std::strerror(errno);
        return false;
    }
    static constexpr std::size_t buffer_bytes = 1 << 20;
    target.buffer = std::make_unique<char[]>(buffer_bytes);
    std::setvbuf(target.file, target.buffer.get(), _IOFBF, buffer_bytes);
    return true;
}

bool close_target(WriteTarget& target, bool ok)
{
    errno = 0;
    bool written = std::fflush(target.file) == 0 && !std::ferror(target.file);
    if (!written)
        target.failure = errno != 0 ? errno : EIO;
    if (!target.is_stdout && std::fclose(target.file) != 0 && written) {
        written = false;
        target.failure = errno;
    }
    target.file = nullptr;
    if (target.temporary.empty())
        return written;
    const struct Restore {
        ~Restore() { keep_on_signals(); }
    } restore;
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
        target.failure = errno;
    }
    ::unlink(target.temporary.c_str());
    return written;
}

}  // namespace ostrel
