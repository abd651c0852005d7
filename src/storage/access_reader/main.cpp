// SPDX-License-Identifier: GPL-3.0-or-later
// The Access reader: reads one table of an Access database and writes it to
// standard output for the program (see storage/AccessConversion.h). It runs as
// a process of its own so that a damaged file cannot take the program down.
#include "AccessReader.h"

#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    // Only a regular file is read: opening a FIFO for reading would wait for a
    // writer, and a device may never end. The file is then read through the
    // descriptor checked, so it cannot be swapped for another meanwhile.
    const int fd = ::open(argv[1], O_RDONLY | O_NONBLOCK | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return 3;
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (::access(path.c_str(), R_OK) != 0)
        path = argv[1];
    // A damaged file must not make the reader spin or grow without end; the
    // program also stops it after a time limit. (AddressSanitizer needs a
    // large address space of its own.)
    const rlimit cpu{300, 300};
    setrlimit(RLIMIT_CPU, &cpu);
#if !defined(__SANITIZE_ADDRESS__)
    const rlimit memory{rlim_t(4) << 30, rlim_t(4) << 30};
    setrlimit(RLIMIT_AS, &memory);
#endif
    return AccessReader::run(path.c_str(), argv[2], 1);
}
