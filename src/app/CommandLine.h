// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QCommandLineParser>
#include <QStringList>
#include <vector>

// The program's command line. Each option is one entry of the table in
// CommandLine.cpp. An option that names an action runs the action's function
// (each in a file of its own, declared in Actions.h) with a QCoreApplication
// only, instead of the window; the others are read by the window and by the
// actions. The command line is parsed before any application object exists,
// so --help, --version, a wrong option and every action need no display.
namespace CommandLine {
// Runs an action: parser holds the whole command line. Returns the exit status.
using Action = int (*)(const QCommandLineParser& parser);

struct Option {
    // "h", "help": -h and --help.
    QStringList names;
    const char* description;
    // The name of the option's value; empty when it takes none.
    const char* valueName;
    // The action the option names; null for an option that only informs others.
    Action action;
};

// Every option, in the order --help lists them.
const std::vector<Option>& options();

struct Request {
    // Not empty: what is wrong with the command line (exit status 1).
    QString error;
    // The action asked for; null: the window.
    Action action = nullptr;
};

// Parses the command line into parser, which knows every option of the table.
// The window system's own options are left for the application object.
Request parse(QCommandLineParser& parser, int argc, char** argv);

// The list file an action works on: the one --list names (with or without
// .mdb), else the one the settings remember, else the default list. Throws
// RunError when the settings cannot be read.
QString listFileName(const QCommandLineParser& parser);
} // namespace CommandLine
