#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>

#include "cli/output_pipe.hpp"
#include "cli/run.hpp"

int main(int argc, char** argv)
{
    // With standard input closed, the input file would be opened as descriptor 0
    // and step mode would read it as the keyboard: give descriptor 0 an empty input.
    if (fcntl(0, F_GETFD) == -1 && open("/dev/null", O_RDONLY) != 0)
        return ostrel::exit_failed;
    // Past a file-size limit a write fails (EFBIG) and is reported, rather than
    // the signal ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    // Output is assembled in large pieces already; no second buffer behind it.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ostrel::widen_output_pipe(1, ostrel::output_capacity);
    // A pause takes one line of standard input and leaves the rest where it is.
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    // Nothing the program throws may end it without a word: a failure of its own
    // (memory, a library) is one line and the failure status.
    try {
        return ostrel::run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ostrel: internal error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "ostrel: internal error\n");
    }
    return ostrel::exit_failed;
}
