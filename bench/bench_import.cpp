// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchTable.h"
#include "Benches.h"

#include "main_window/pList.h"
#include "outlook_import/AddressBooks.h"
#include "outlook_import/MailPrograms.h"
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
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
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

QString addressBookData(const char* name) {
    return QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/addressbooks/") + QLatin1String(name);
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
// The seconds each of 101 clicks on contacts spread over the import window's
// list takes, sorted.
std::vector<double> clickTimes(frmContacts* form) {
    std::vector<double> clicks;
    const int listed = form ? form->lstContacts->count() : 0;
    for (int i = 0; listed > 0 && i < 101; ++i) {
        const int row = int((qint64(i) * 7919) % listed);
        clicks.push_back(secondsOf([form, row] { form->lstContacts->setCurrentRow(row); }));
    }
    std::sort(clicks.begin(), clicks.end());
    return clicks;
}

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
    const std::vector<double> clicks = clickTimes(form);
    const double median = clicks.empty() ? 0 : clicks[clicks.size() / 2];
    table.add(
        QStringLiteral("import: click a contact among %1 files, median / worst of 101").arg(count),
        millis(median) + QStringLiteral(" / ") + millis(clicks.empty() ? 0 : clicks.back()),
        QStringLiteral("median <= 5 ms"), !clicks.empty() && median <= 0.005);
    closeDialog();
}

// The test book named data copied to book in folder, made writable by its owner.
bool placeBook(const char* data, const QString& folder, const QString& book) {
    return QDir().mkpath(folder) && QFile::copy(addressBookData(data), book) &&
           QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
}

// A book of each mail program with the schema of a store the program wrote,
// emptied and filled with generated contacts; placed where the program keeps it.
bool writeThunderbirdBook(const QString& home, int contacts) {
    const QString profile = home + QStringLiteral("/.thunderbird/bench.default");
    const QString book = profile + QStringLiteral("/abook.sqlite");
    QFile ini(home + QStringLiteral("/.thunderbird/profiles.ini"));
    if (!placeBook("tb-real-abook-12.sqlite", profile, book) || !ini.open(QIODevice::WriteOnly) ||
        !ini.write("[Profile0]\nName=bench\nIsRelative=1\nPath=bench.default\nDefault=1\n"))
        return false;
    SQLite::Database db(QFile::encodeName(book).toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    db.exec("DELETE FROM properties");
    SQLite::Statement add(db, "INSERT INTO properties VALUES (?, ?, ?)");
    for (int i = 0; i < contacts; ++i) {
        const std::string card = "card-" + std::to_string(i);
        const QByteArray n = QByteArray::number(i);
        const std::pair<const char*, QByteArray> properties[] = {
            {"DisplayName", "Contact " + n.rightJustified(6, '0') + " Example"},
            {"PrimaryEmail", "contact" + n + "@example.org"},
            {"_vCard", cardText(i)}};
        for (const auto& [name, value] : properties) {
            add.bind(1, card);
            add.bind(2, name);
            add.bind(3, value.toStdString());
            add.exec();
            add.reset();
        }
    }
    transaction.commit();
    return true;
}

bool writeEvolutionBook(const QString& home, int contacts) {
    const QString folder = home + QStringLiteral("/.local/share/evolution/addressbook/system");
    const QString book = folder + QStringLiteral("/contacts.db");
    if (!placeBook("eds-contacts-12.db", folder, book))
        return false;
    SQLite::Database db(QFile::encodeName(book).toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    db.exec("DELETE FROM folder_id");
    SQLite::Statement add(db, "INSERT INTO folder_id (uid, full_name, vcard) VALUES (?, ?, ?)");
    for (int i = 0; i < contacts; ++i) {
        add.bind(1, "pas-id-" + std::to_string(i));
        add.bind(2, "contact " + std::to_string(i) + " example");
        add.bind(3, cardText(i).toStdString());
        add.exec();
        add.reset();
    }
    transaction.commit();
    return true;
}

// While it lives, the process sees home as the user's home folder (HOME and the
// XDG folders), so no mail program of the real user is read.
class FakeHome {
public:
    explicit FakeHome(const QString& home) {
        const QList<QPair<const char*, QString>> environment = {
            {"HOME", home},
            {"XDG_DATA_HOME", home + QStringLiteral("/.local/share")},
            {"XDG_CONFIG_HOME", home + QStringLiteral("/.config")},
            {"XDG_CONFIG_DIRS", home + QStringLiteral("/etc")},
            {"XDG_DATA_DIRS", home + QStringLiteral("/usr")}};
        for (const auto& [name, value] : environment) {
            saved_.append({name, qgetenv(name)});
            qputenv(name, QFile::encodeName(value));
        }
    }
    ~FakeHome() {
        for (const auto& [name, value] : saved_)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    FakeHome(const FakeHome&) = delete;
    FakeHome& operator=(const FakeHome&) = delete;

private:
    QList<QPair<const char*, QByteArray>> saved_;
};

// Lists the book of the program placed in the home folder and clicks contacts
// all over the list: "<listed> <seconds> <median click seconds> <peak MiB>".
QString listAndClick() {
    AddressBooks::clearCache();
    const double list = secondsOf([] { modOutLook::GetOutlookContacts(); });
    frmContacts* form = frmContacts::loaded();
    const int listed = form ? form->lstContacts->count() : 0;
    const std::vector<double> clicks = clickTimes(form);
    const double median = clicks.empty() ? 0 : clicks[clicks.size() / 2];
    return QStringLiteral("%1 %2 %3 %4").arg(listed).arg(list).arg(median).arg(peakRssMiB());
}

// A book of 100,000 contacts listed by a process of its own, so that its peak
// memory is the whole program's while it lists them.
void benchLargeBook(BenchTable& table, const QString& program) {
    constexpr int contacts = 100000;
    QTemporaryDir home;
    const FakeHome fake(home.path());
    const bool written = program == QLatin1String("Thunderbird")
                             ? writeThunderbirdBook(home.path(), contacts)
                             : writeEvolutionBook(home.path(), contacts);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--list-book")});
    const bool ran = written && child.waitForFinished(600000) && child.exitCode() == 0;
    const QStringList figures = QString::fromUtf8(child.readAllStandardOutput()).split(u' ');
    if (!ran || figures.size() != 4) {
        table.add(QStringLiteral("import: list 100,000 contacts from %1's book").arg(program),
                  QStringLiteral("failed"));
        return;
    }
    const int listed = figures[0].toInt();
    const double list = figures[1].toDouble(), click = figures[2].toDouble(),
                 peak = figures[3].toDouble();
    table.add(QStringLiteral("import: list 100,000 contacts from %1's book (%2 listed)")
                  .arg(program, QLocale(QLocale::English).toString(listed)),
              seconds(list), QStringLiteral("<= 1 s"), list <= 1.0 && listed == contacts);
    table.add(QStringLiteral("import: click a contact of %1's 100,000, median of 101").arg(program),
              millis(click), QStringLiteral("<= 5 ms"), click <= 0.005);
    table.add(
        QStringLiteral("import: peak memory of the program listing %1's 100,000").arg(program),
        QString::number(peak, 'f', 0) + QStringLiteral(" MiB"), QStringLiteral("<= 150 MiB"),
        peak <= 150);
}

// Finds the books of a Thunderbird profile and of Evolution with 20 each.
void benchFindBooks(BenchTable& table) {
    QTemporaryDir home;
    const FakeHome fake(home.path());
    const QString profile = home.path() + QStringLiteral("/.thunderbird/bench.default");
    const QString sources = home.path() + QStringLiteral("/.config/evolution/sources");
    QByteArray prefs;
    bool written = writeThunderbirdBook(home.path(), 0) && QDir().mkpath(sources);
    for (int i = 1; written && i < 20; ++i) {
        const QByteArray n = QByteArray::number(i), id = "ldap_2.servers.Book" + n;
        prefs += "user_pref(\"" + id + ".description\", \"Book " + n + "\");\nuser_pref(\"" + id +
                 ".dirType\", 101);\nuser_pref(\"" + id + ".filename\", \"abook-" + n +
                 ".sqlite\");\nuser_pref(\"" + id + ".uid\", \"" + n + "\");\n";
        written = QFile::copy(profile + QStringLiteral("/abook.sqlite"),
                              profile + QStringLiteral("/abook-%1.sqlite").arg(i));
    }
    for (int i = 0; written && i < 20; ++i) {
        const QString uid = QStringLiteral("book%1").arg(i);
        QFile source(sources + u'/' + uid + QStringLiteral(".source"));
        const QString folder =
            home.path() + QStringLiteral("/.local/share/evolution/addressbook/") + uid;
        written = source.open(QIODevice::WriteOnly) &&
                  source.write("[Data Source]\nDisplayName=Book " + QByteArray::number(i) +
                               "\nEnabled=true\nParent=local-stub\n\n[Address Book]\n"
                               "BackendName=local\n") > 0 &&
                  QDir().mkpath(folder) &&
                  QFile::copy(addressBookData("eds-contacts-12.db"),
                              folder + QStringLiteral("/contacts.db"));
    }
    QFile prefsFile(profile + QStringLiteral("/prefs.js"));
    written = written && prefsFile.open(QIODevice::WriteOnly) && prefsFile.write(prefs) > 0;
    prefsFile.close();
    qsizetype found = 0;
    std::vector<double> times;
    for (int i = 0; written && i < 101; ++i)
        times.push_back(secondsOf([&found] { found = MailPrograms::addressBooks().size(); }));
    std::sort(times.begin(), times.end());
    const double median = times.empty() ? 0 : times[times.size() / 2];
    table.add(QStringLiteral("import: find the books of both mail programs (%1 found), "
                             "median of 101")
                  .arg(found),
              millis(median), QStringLiteral("<= 5 ms"), found == 40 && median <= 0.005);
}

// Lists a mail program's book of 10,000 contacts and clicks contacts all over the list.
void benchMailProgramBook(BenchTable& table, const QString& program) {
    QTemporaryDir home;
    const FakeHome fake(home.path());
    const bool written = program == QLatin1String("Thunderbird")
                             ? writeThunderbirdBook(home.path(), contactCount)
                             : writeEvolutionBook(home.path(), contactCount);
    if (!written) {
        table.add(QStringLiteral("import: writing a %1 book").arg(program),
                  QStringLiteral("failed"));
    } else {
        AddressBooks::clearCache();
        const double list = secondsOf([] { modOutLook::GetOutlookContacts(); });
        frmContacts* form = frmContacts::loaded();
        const int listed = form ? form->lstContacts->count() : 0;
        table.add(QStringLiteral("import: list 10,000 contacts from %1's book (%2 listed)")
                      .arg(program)
                      .arg(listed),
                  seconds(list), QStringLiteral("<= 1 s"), list <= 1.0 && listed == contactCount);
        const std::vector<double> clicks = clickTimes(form);
        const double median = clicks.empty() ? 0 : clicks[clicks.size() / 2];
        table.add(QStringLiteral("import: click a contact of %1's book, median / worst of 101")
                      .arg(program),
                  millis(median) + QStringLiteral(" / ") +
                      millis(clicks.empty() ? 0 : clicks.back()),
                  QStringLiteral("median <= 5 ms"), !clicks.empty() && median <= 0.005);
        closeDialog();
    }
    AddressBooks::clearCache();
}

} // namespace

int benchListBook() {
    MsgBox::setScripted(true);
    QTextStream(stdout) << listAndClick();
    closeDialog();
    return 0;
}

void benchImport(BenchTable& table) {
    QTemporaryDir dir;
    const FakeHome noMailProgram(dir.filePath(QStringLiteral("home")));
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
    {
        pList main;
        main.showListChooser = [] {};
        main.showNewList = [] {};
        main.globals().currentListName = list;
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
    for (const QString& program : {QStringLiteral("Thunderbird"), QStringLiteral("Evolution")})
        benchMailProgramBook(table, program);
    for (const QString& program : {QStringLiteral("Thunderbird"), QStringLiteral("Evolution")})
        benchLargeBook(table, program);
    benchFindBooks(table);
    modOutLook::setStoreRootForTesting(QString());
    AppFolder::setProgramFolderForTesting(QString());
    MsgBox::clearShown();
    MsgBox::setScripted(wasScripted);
}
