// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCommandLineParser;

// `quillary [--folder DIR] --export-vcard FILE [--list NAME]`: writes every
// contact of a list (the current list unless named) to a vCard file and ends,
// without opening a window.
namespace ExportCommand {

// Adds --export-vcard and --list to a parser, so --help describes them.
void addOptions(QCommandLineParser& parser);
// Whether the command line asks for an export.
bool asked(int argc, char** argv);
// Runs the export without windows: 0 and "N contacts written to FILE" on
// standard output, else non-zero and the reason on standard error.
int run(int argc, char** argv);

} // namespace ExportCommand
