// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QCommandLineParser;

// The command line's address book server commands: link a list, sync it,
// unlink it. They run without a window and end the program.
namespace SyncCommands {
void addOptions(QCommandLineParser& parser);
// Whether the arguments ask for one of them (looked at before any
// application object exists: these need no display).
bool requested(int argc, char** argv);
// Runs the command asked for in the folder chosen; returns the exit status.
int run(const QCommandLineParser& parser, const QString& folder);
} // namespace SyncCommands
