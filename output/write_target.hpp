// Where --write: puts its packets: standard output for "-"; a device or FIFO
// as it is; else a temporary file in the same folder, renamed over FILE only
// when the run succeeded, so that a failed run leaves no partial FILE. A
// symbolic link is followed: the file it names is written, the link stays.
// While the temporary file exists, SIGINT, SIGTERM and SIGHUP (where nothing
// else handles them) remove it before they end the program.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace ostrel {

struct WriteTarget {
    std::FILE* file = nullptr;
    std::string path;       // the file written: as named, or the file a link names
    std::string temporary;  // "" when written in place
    bool is_stdout = false;
    std::unique_ptr<char[]> buffer;  // the FILE's (given none, the C library takes 4 KiB whatever the size asked)
    int failure = 0;  // errno of the write, close or rename that failed
};

// False with `error` set when FILE is the input file or cannot be written
// (the message, then a line of why).
bool open_target(const std::string& path, std::FILE* input, WriteTarget& target, std::string& error);
// Closes it; the temporary becomes FILE when `ok`, else goes. False when writing or renaming failed.
bool close_target(WriteTarget& target, bool ok);

}  // namespace ostrel
