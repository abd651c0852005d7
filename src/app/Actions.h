// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QCommandLineParser>

// The command-line actions, each defined in a file of its own and named in the
// table of CommandLine.cpp. Each runs with a QCoreApplication only (no display)
// and returns the program's exit status.
namespace Actions {
// --help: the options, on standard output.
int showHelp(const QCommandLineParser& parser);
// --version: the program's name and version, on standard output.
int showVersion(const QCommandLineParser& parser);
// --export-vcard FILE [--list NAME]: the list's contacts as one vCard file;
// "N contacts written to FILE" on standard output, or the reason on standard error.
int exportVcard(const QCommandLineParser& parser);
// --link-server URL --user NAME, --sync, --unlink: the list's link with an
// address book server; --sync prints "N received, M sent, K conflicts kept".
int addressBookServer(const QCommandLineParser& parser);
} // namespace Actions
