// SPDX-License-Identifier: GPL-3.0-or-later
#include "Actions.h"
#include "CommandLine.h"

#include "main_window/Globals.h"
#include "platform/AppFolder.h"
#include "platform/Database.h"
#include "platform/RunError.h"
#include "storage/AccessConversion.h"
#include "storage/ListFiles.h"
#include "vcard/ListExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace Actions {
namespace {
int failed(const QString& reason) {
    QTextStream(stderr) << "quillary: " << reason << '\n';
    return 1;
}
} // namespace

// --export-vcard FILE [--list NAME]: every contact of the list, the current one
// unless named, written as one vCard file.
int exportVcard(const QCommandLineParser& parser) {
    const QString refusal = AppFolder::choose(QCoreApplication::applicationDirPath(),
                                              parser.value(QStringLiteral("folder")));
    if (!refusal.isEmpty())
        return failed(refusal);

    QString name;
    try {
        name = CommandLine::listFileName(parser);
    } catch (const RunError& e) {
        return failed(QStringLiteral("the settings cannot be read: %1").arg(e.description()));
    }
    const QString listPath = ListFiles::pathOf(name);
    const QString shown = QDir::toNativeSeparators(listPath);
    if (!ListFiles::isPlainFileName(name) || !QFileInfo(listPath).isFile())
        return failed(QStringLiteral("there is no list \"%1\"").arg(shown));
    if (AccessConversion::isAccessFile(listPath))
        return failed(QStringLiteral("the list \"%1\" is a Microsoft Access database; open it in "
                                     "Quillary once to convert it")
                          .arg(shown));

    const QString file = parser.value(QStringLiteral("export-vcard"));
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

} // namespace Actions
