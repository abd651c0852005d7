// SPDX-License-Identifier: GPL-3.0-or-later
// The Access reader: reads one table of an Access database and writes it to
// standard output for the program (see storage/AccessConversion.h). It runs as
// a process of its own so that a damaged file cannot take the program down.
#include "AccessReader.h"

#include <sys/resource.h>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    // A damaged file must not make the reader spin or grow without end; the
    // program also stops it after a time limit. (AddressSanitizer needs a
    // large address space of its own.)
    const rlimit cpu{300, 300};
    setrlimit(RLIMIT_CPU, &cpu);
#if !defined(__SANITIZE_ADDRESS__)
    const rlimit memory{rlim_t(4) << 30, rlim_t(4) << 30};
    setrlimit(RLIMIT_AS, &memory);
#endif
    return AccessReader::run(argv[1], argv[2], 1);
}
