// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncCommands.h"
#include "main_window/pList.h"

#include "Version.h"
#include "platform/AppFolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstring>

namespace {
// --help and --version only print: they must work without a display.
bool onlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("Quillary"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(Version::major).arg(Version::minor).arg(Version::revision));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A phonebook of contact lists."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("Keep the lists in <dir>, created and seeded when new."),
        QStringLiteral("dir"));
    parser.addOption(folder);
    SyncCommands::addOptions(parser);
    if (SyncCommands::requested(argc, argv)) {
        QCoreApplication text(argc, argv);
        parser.process(text);
        return SyncCommands::run(parser, parser.value(folder));
    }
    if (onlyPrints(argc, argv)) {
        QCoreApplication text(argc, argv);
        parser.process(text);
    }

    QApplication app(argc, argv);
    // The window manager matches the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLARY_APP_ID));
    parser.process(app);
    if (!AppFolder::choose(QCoreApplication::applicationDirPath(), parser.value(folder)))
        return 1;
    pList::startProgram();
    return QApplication::exec();
}
