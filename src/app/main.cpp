// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "Version.h"
#include "main_window/pList.h"
#include "platform/AppFolder.h"
#include "platform/MsgBox.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("Quillary"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(Version::major).arg(Version::minor).arg(Version::revision));
    QCommandLineParser parser;
    const CommandLine::Request request = CommandLine::parse(parser, argc, argv);
    if (!request.error.isEmpty()) {
        const QByteArray program =
            QFile::encodeName(QFileInfo(QFile::decodeName(argv[0])).fileName());
        std::fprintf(stderr, "%s: %s\nTry \"%s --help\" for the options.\n", program.constData(),
                     qPrintable(request.error), program.constData());
        return 1;
    }
    if (request.action) {
        const QCoreApplication app(argc, argv);
        return request.action(parser);
    }
    QApplication app(argc, argv);
    // The window manager matches the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLARY_APP_ID));
    const QString refusal = AppFolder::choose(QCoreApplication::applicationDirPath(),
                                              parser.value(QStringLiteral("folder")));
    if (!refusal.isEmpty()) {
        MsgBox::show(refusal, MsgBox::Buttons::Ok, MsgBox::Icon::Critical);
        return 1;
    }
    pList::startProgram();
    return QApplication::exec();
}
