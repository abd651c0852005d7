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
#include <QLocale>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int contactCount = 10000;

QByteArray cardText(int i) {
    const QByteArray n = QByteArray::number(i);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Contact " + n.rightJustified(6, '0') +
           " Example\r\nN:Example;Contact " + n + ";;;\r\nEMAIL;TYPE=INTERNET:contact" + n +
           "@example.org\r\nTEL;TYPE=HOME:555-" + QByteArray::number(1000 + i % 9000) +
           "\r\nADR;TYPE=HOME:;;" + n + " Main St;Springfield;IL;62701;USA\r\nEND:VCARD\r\n";
}

// One card per file, as mail programs export one contact each; written with
// plain system calls, so 100,000 files take seconds, not minutes.
bool writeStore(const QString& folder, int files) {
    if (!QDir().mkpath(folder))
        return false;
    const QByteArray dir = QFile::encodeName(folder);
    for (int i = 0; i < files; ++i) {
        const QByteArray card = cardText(i);
        const QByteArray path = dir + "/c" + QByteArray::number(i).rightJustified(6, '0') + ".vcf";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            return false;
        const bool written = ::write(fd, card.constData(), size_t(card.size())) == card.size();
        ::close(fd);
        if (!written)
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

QString millis(double s) {
    return QString::number(s * 1000.0, 'f', 2) + QStringLiteral(" ms");
}

void closeDialog() {
    if (frmContacts::loaded())
        frmContacts::loaded()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Lists a folder of one-card files twice and clicks contacts all over the list.
void benchFolder(BenchTable& table, const QString& root, int files) {
    const QString count = QLocale(QLocale::English).toString(files);
    if (!writeStore(root + QStringLiteral("/Personal Folders/Contacts"), files)) {
        table.add(QStringLiteral("import: writing %1 files").arg(count), QStringLiteral("failed"));
        return;
    }
    modOutLook::setStoreRootForTesting(root);
    const double cold = secondsOf([] { modOutLook::GetOutlookContacts(); });
    closeDialog();
    table.add(QStringLiteral("import: list %1 one-card files, first time").arg(count),
              seconds(cold));
    const double warm = secondsOf([] { modOutLook::GetOutlookContacts(); });
    frmContacts* form = frmContacts::loaded();
    const int listed = form ? form->lstContacts->count() : 0;
    table.add(
        QStringLiteral("import: list %1 one-card files again (%2 listed)").arg(count).arg(listed),
        seconds(warm), QStringLiteral("<= 2 s"), warm <= 2.0 && listed == files);
    std::vector<double> clicks;
    for (int i = 0; form && i < 101; ++i) {
        const int row = int((qint64(i) * 7919) % listed);
        clicks.push_back(secondsOf([form, row] { form->lstContacts->setCurrentRow(row); }));
    }
    std::sort(clicks.begin(), clicks.end());
    const double median = clicks.empty() ? 0 : clicks[clicks.size() / 2];
    table.add(
        QStringLiteral("import: click a contact among %1 files, median / worst of 101").arg(count),
        millis(median) + QStringLiteral(" / ") + millis(clicks.empty() ? 0 : clicks.back()),
        QStringLiteral("median <= 5 ms"), !clicks.empty() && median <= 0.005);
    closeDialog();
}

} // namespace

void benchImport(BenchTable& table) {
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Mail"));
    const QString appFolder = dir.filePath(QStringLiteral("app"));
    const QString list = QStringLiteral("Bench.mdb");
    if (!writeStore(store + QStringLiteral("/Personal Folders/Contacts"), contactCount) ||
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

        modOutLook::GetOutlookContacts();
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
    // Memory-backed when the system has it: writing 100,000 files to a busy
    // disk would take minutes.
    const QString scratch = QDir(QStringLiteral("/dev/shm")).exists()
                                ? QStringLiteral("/dev/shm/quillary-bench-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/quillary-bench-XXXXXX");
    for (const int files : {10000, 100000}) {
        QTemporaryDir folderDir(scratch);
        MailStore::clearCache();
        benchFolder(table, folderDir.path(), files);
    }
    MailStore::clearCache();
    Globals::currentListName = savedList;
    modOutLook::setStoreRootForTesting(QString());
    AppFolder::setProgramFolderForTesting(QString());
    MsgBox::clearShown();
    MsgBox::setScripted(wasScripted);
}
