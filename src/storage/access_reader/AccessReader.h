// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The reading side of an Access conversion, run in a process of its own (the
// program's Access reader): the file may be damaged in ways that crash or hang
// the reading library, and the program must survive that.
namespace AccessReader {
// Writes the names of the file's tables and the table named wanted (letter case
// ignored) to fd in the AccessStream form. Returns the process exit status: 0
// when everything was written, non-zero when the file could not be read.
int run(const char* path, const char* wanted, int fd);
} // namespace AccessReader
