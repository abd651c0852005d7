// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportCommand.h"

#include "main_window/Globals.h"
#include "platform/AppFolder.h"
#include "platform/Database.h"
#include "platform/RunError.h"
#include "storage/AccessConversion.h"
#include "storage/IniFile.h"
#include "storage/ListFiles.h"
#include "vcard/ListExport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstring>

namespace ExportCommand {
namespace {

const char* exportName = "export-vcard";

QCommandLineOption exportOption() {
    return {QString::fromLatin1(exportName),
            QStringLiteral("Write every contact of the list to <file> as vCards and end, "
                           "without opening a window."),
            QStringLiteral("file")};
}
QCommandLineOption listOption() {
    return {QStringLiteral("list"),
            QStringLiteral("With --export-vcard: the list to write (its name, with or without "
                           ".mdb) instead of the current list."),
            QStringLiteral("name")};
}

int failed(const QString& reason) {
    QTextStream(stderr) << "quillary: " << reason << '\n';
    return 1;
}

} // namespace

void addOptions(QCommandLineParser& parser) {
    parser.addOption(exportOption());
    parser.addOption(listOption());
}

bool asked(int argc, char** argv) {
    const QByteArray option = QByteArray("--") + exportName;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (option == argv[i] || QByteArray(argv[i]).startsWith(option + '='))
            return true;
    }
    return false;
}

int run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Keep the lists in <dir>."),
                                    QStringLiteral("dir"));
    parser.addOption(folder);
    addOptions(parser);
    if (!parser.parse(QCoreApplication::arguments()))
        return failed(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return failed(QStringLiteral("unexpected argument \"%1\"")
                          .arg(parser.positionalArguments().constFirst()));
    if (!AppFolder::choose(QCoreApplication::applicationDirPath(), parser.value(folder)))
        return 1; // the reason has been told

    QString name = parser.value(listOption());
    if (parser.isSet(listOption()))
        name = ListFiles::fileNameFor(name);
    else
        name = IniFile::ReadIniValue(QStringLiteral("[lastdb]"), QStringLiteral("db"),
                                     QString::fromLatin1(Globals::settingsFileName));
    if (name.isEmpty())
        name = QString::fromLatin1(Globals::defaultListName);
    const QString listPath = ListFiles::pathOf(name);
    const QString shown = QDir::toNativeSeparators(listPath);
    if (!ListFiles::isPlainFileName(name) || !QFileInfo(listPath).isFile())
        return failed(QStringLiteral("there is no list \"%1\"").arg(shown));
    if (AccessConversion::isAccessFile(listPath))
        return failed(QStringLiteral("the list \"%1\" is a Microsoft Access database; open it in "
                                     "Quillary once to convert it")
                          .arg(shown));

    const QString file = parser.value(exportOption());
    try {
        Database db(listPath);
        if (!db.hasTable(QString::fromLatin1(Globals::contactTable)))
            return failed(QStringLiteral("\"%1\" holds no contact list").arg(shown));
        const qint64 written = ListExport::write(db, QFileInfo(file).absoluteFilePath());
        QTextStream(stdout) << written << " contacts written to " << file << '\n';
        return 0;
    } catch (const RunError& e) {
        return failed(
            QStringLiteral("the list \"%1\" cannot be read: %2").arg(shown, e.description()));
    } catch (const ListExport::Failed& e) {
        return failed(e.message());
    }
}

} // namespace ExportCommand
