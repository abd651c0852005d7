// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's export of contacts to a vCard file.
#include "main_window/Globals.h"
#include "main_window/pList.h"
#include "outlook_import/BusyProgress.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "platform/RunError.h"
#include "storage/ListFiles.h"
#include "vcard/ListExport.h"

#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QStandardPaths>

namespace {
const QString title = QStringLiteral("Export Contacts");

QString contacts(qint64 n) {
    return QLocale().toString(n) +
           (n == 1 ? QStringLiteral(" contact") : QStringLiteral(" contacts"));
}
} // namespace

void pList::mnuExport_Click(qint16) {
    Database* db = Data1->database();
    if (!db) {
        MsgBox::show(QStringLiteral("No list is open, so there are no contacts to export."),
                     MsgBox::Buttons::Ok, MsgBox::Icon::Exclamation, title);
        return;
    }
    // What was typed into the fields goes out too: leaving the record stores it.
    try {
        if (Data1->hasRecordset())
            Data1->recordset().storePending();
    } catch (const std::exception&) {
        return; // the refusal has been reported
    }

    std::optional<ListExport::Choice> choice;
    try {
        if (List1->listIndex() >= 0) {
            const ListExport::Choice chosen{globals_.listDisplayMode == 2
                                                ? QStringLiteral("CompanyName")
                                                : QStringLiteral("pName"),
                                            List1->text()};
            const qint64 some = ListExport::count(*db, chosen);
            const qint64 all = ListExport::count(*db);
            const MsgBox::Answer answer =
                MsgBox::show(QStringLiteral("Which contacts are to be exported?\r\n\r\n"
                                            "Yes: the %1 chosen contacts\r\n"
                                            "No: all %2 contacts of the list")
                                 .arg(QLocale().toString(some), QLocale().toString(all)),
                             MsgBox::Buttons::YesNoCancel, MsgBox::Icon::Question, title);
            if (answer == MsgBox::Answer::Cancel)
                return;
            if (answer == MsgBox::Answer::Yes)
                choice = chosen;
        }
    } catch (const RunError& e) {
        MsgBox::show(e.failureMessage(), MsgBox::Buttons::Ok, MsgBox::Icon::Critical, title);
        return;
    }

    QFileDialog dialog(this, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("vCard files (*.vcf)"));
    dialog.setDefaultSuffix(QStringLiteral("vcf"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    dialog.setDirectory(documents);
    dialog.selectFile(QDir(documents).filePath(ListFiles::displayName(globals_.currentListName) +
                                               QStringLiteral(".vcf")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();

    try {
        qint64 written = 0;
        {
            BusyProgress busy(this, QStringLiteral("Writing the contacts..."));
            written = ListExport::write(
                *db, path, choice, [&busy](qint64 done, qint64 total) { busy.step(done, total); });
        }
        MsgBox::show(contacts(written) +
                         (written == 1 ? QStringLiteral(" was") : QStringLiteral(" were")) +
                         QStringLiteral(" written to \"") + QDir::toNativeSeparators(path) +
                         QStringLiteral("\"."),
                     MsgBox::Buttons::Ok, MsgBox::Icon::Information, title);
    } catch (const ListExport::Failed& e) {
        MsgBox::show(e.message(), MsgBox::Buttons::Ok, MsgBox::Icon::Critical, title);
    }
}
