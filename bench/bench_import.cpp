#include "BenchTable.h"
#include "Benches.h"

#include "main_window/Globals.h"
#include "main_window/pList.h"
#include "outlook_import/MailStore.h"
#include "outlook_import/frmContacts.h"
#include "outlook_import/modOutLook.h"
#include "platform/AppFolder.h"
#include "platform/MsgBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>

namespace {

constexpr int contactCount = 10000;

// One card per file, as mail programs export one contact each.
bool writeStore(const QString& folder) {
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < contactCount; ++i) {
        const QString name = QStringLiteral("Contact %1 Example").arg(i, 5, 10, QLatin1Char('0'));
        const QByteArray card =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name.toUtf8() + "\r\nN:Example;Contact " +
            QByteArray::number(i) + ";;;\r\nEMAIL;TYPE=INTERNET:contact" + QByteArray::number(i) +
            "@example.org\r\nTEL;TYPE=HOME:555-" + QByteArray::number(1000 + i % 9000) +
            "\r\nADR;TYPE=HOME:;;" + QByteArray::number(i) +
            " Main St;Springfield;IL;62701;USA\r\nEND:VCARD\r\n";
        QFile file(folder + QStringLiteral("/c%1.vcf").arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(card) != card.size())
            return false;
    }
    return true;
}

qint64 storedCount(const QString& path) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    return db.execAndGet("SELECT count(*) FROM pName2").getInt64();
}

QString seconds(double s) {
    return QString::number(s, 'f', 3) + QStringLiteral(" s");
}

void closeDialog() {
    if (frmContacts::loaded())
        frmContacts::loaded()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

void benchImport(BenchTable& table) {
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Mail"));
    const QString appFolder = dir.filePath(QStringLiteral("app"));
    const QString list = QStringLiteral("Bench.mdb");
    if (!writeStore(store + QStringLiteral("/Personal Folders/Contacts")) ||
        !QDir().mkpath(appFolder) ||
        !QFile::copy(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/Template.dat"),
                     appFolder + u'/' + list)) {
        table.add(QStringLiteral("import: setup"), QStringLiteral("failed"));
        return;
    }
    QFile::setPermissions(appFolder + u'/' + list, QFile::ReadOwner | QFile::WriteOwner);

    const bool wasScripted = MsgBox::isScripted();
    MsgBox::setScripted(true);
    AppFolder::setProgramFolderForTesting(appFolder);
    modOutLook::setStoreRootForTesting(store);
    MailStore::clearCache();
    const QString savedList = Globals::currentListName;
    {
        pList main;
        main.showListChooser = [] {};
        main.showNewList = [] {};
        Globals::currentListName = list;
        main.Refresh_Click(0);

        const double cold = secondsOf([] { modOutLook::GetOutlookContacts(); });
        const int listed = frmContacts::loaded() ? frmContacts::loaded()->lstContacts->count() : 0;
        table.add(QStringLiteral("import: list 10,000 contacts, files read first (%1 listed)")
                      .arg(listed),
                  seconds(cold), QStringLiteral("<= 1 s"), cold <= 1.0 && listed == contactCount);
        closeDialog();
        const double warm = secondsOf([] { modOutLook::GetOutlookContacts(); });
        table.add(QStringLiteral("import: list 10,000 contacts again (files unchanged)"),
                  seconds(warm), QStringLiteral("<= 1 s"), warm <= 1.0);

        frmContacts* form = frmContacts::loaded();
        if (form)
            form->lstContacts->selectAll();
        const double add = secondsOf([form] {
            if (form)
                form->cmdAdd2phonebook_Click();
        });
        main.Data1->close();
        const qint64 stored = storedCount(appFolder + u'/' + list);
        table.add(QStringLiteral("import: add 10,000 selected contacts (%1 stored)").arg(stored),
                  seconds(add), QStringLiteral("<= 5 s"), add <= 5.0 && stored == contactCount);
        closeDialog();
    }
    Globals::currentListName = savedList;
    modOutLook::setStoreRootForTesting(QString());
    AppFolder::setProgramFolderForTesting(QString());
    MsgBox::clearShown();
    MsgBox::setScripted(wasScripted);
}
