#include "outlook_import/MailStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

namespace {

QByteArray card(const QString& fn, const QByteArray& extra = {}) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + fn.toUtf8() + "\r\n" + extra + "END:VCARD\r\n";
}

bool writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

bool setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(when, QFileDevice::FileModificationTime);
}

// Sanitizer builds run several times slower; the time limits allow for that.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kSlowdown = 5;
#else
constexpr qint64 kSlowdown = 1;
#endif

qint64 cpuMsSince(std::clock_t started) {
    return qint64((std::clock() - started) * 1000.0 / CLOCKS_PER_SEC);
}

QStringList names(const std::shared_ptr<const MailFolder>& folder) {
    QStringList out;
    for (int i = 1; folder && i <= folder->count(); ++i)
        out.push_back(folder->item(i)->fn);
    return out;
}

} // namespace

class TestMailStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void defaultRoot();

    void lookup_data();
    void lookup();
    void itemsByPosition_data();
    void itemsByPosition();
    void groupIsAnItemButNotAContact();
    void defaultContactsFolder_data();
    void defaultContactsFolder();
    void storeThatCannotBeOpened_data();
    void storeThatCannotBeOpened();

    void unchangedFolderIsNotReadAgain();
    void changes_data();
    void changes();
    void tenThousandCards();

private:
    QTemporaryDir m_dir;
    QString m_root;
};

void TestMailStore::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_root = m_dir.path() + QStringLiteral("/Mail");
    const QString contacts = m_root + QStringLiteral("/Personal Folders/Contacts/");
    QVERIFY(writeFile(contacts + "b.vcf", card("Bea") + card("Bob")));
    QVERIFY(writeFile(contacts + "A.VCF", card("Ann")));
    QVERIFY(writeFile(contacts + "c.vcf.txt", card("Not read")));
    QVERIFY(writeFile(contacts + "notes.txt", "not a card"));
    QVERIFY(writeFile(contacts + "Sub.vcf/inner.vcf", card("Not read either")));
    QVERIFY(writeFile(contacts + "d.vcf",
                      card("Team", "KIND:group\r\n") + card("Dan", "EMAIL:dan@example.org\r\n")));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/Personal Folders/Calendar")));
    QVERIFY(writeFile(m_root + QStringLiteral("/Archive/Old Contacts/x.vcf"), card("Xavier")));
}

void TestMailStore::init() {
    MailStore::clearCache();
}

void TestMailStore::defaultRoot() {
    const QString root = MailStore::defaultRoot();
    QVERIFY(root.endsWith(QStringLiteral("/Quillary/Mail")));
    QVERIFY(root.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
}

void TestMailStore::lookup_data() {
    QTest::addColumn<QString>("topLevel");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QStringList>("items");
    const QStringList contacts{"Ann", "Bea", "Bob", "Team", "Dan"};
    QTest::newRow("contacts") << "Personal Folders"
                              << "Contacts" << true << contacts;
    QTest::newRow("names in another case") << "personal folders"
                                           << "CONTACTS" << true << contacts;
    QTest::newRow("empty folder") << "Personal Folders"
                                  << "Calendar" << true << QStringList{};
    QTest::newRow("other store") << "Archive"
                                 << "Old Contacts" << true << QStringList{"Xavier"};
    QTest::newRow("missing folder") << "Personal Folders"
                                    << "Tasks" << false << QStringList{};
    QTest::newRow("missing store") << "Public Folders"
                                   << "Contacts" << false << QStringList{};
    QTest::newRow("path instead of a name")
        << "Personal Folders"
        << "../../Archive/Old Contacts" << false << QStringList{};
    QTest::newRow("parent folder") << ".."
                                   << "Mail" << false << QStringList{};
    QTest::newRow("empty names") << ""
                                 << "" << false << QStringList{};
}

void TestMailStore::lookup() {
    QFETCH(QString, topLevel);
    QFETCH(QString, name);
    QFETCH(bool, found);
    QFETCH(QStringList, items);
    const MailStore store(m_root);
    const auto folder = store.folder(topLevel, name);
    QCOMPARE(bool(folder), found);
    if (!folder)
        return;
    QCOMPARE(folder->name().compare(name, Qt::CaseInsensitive), 0);
    QCOMPARE(folder->count(), items.size());
    QCOMPARE(names(folder), items);
}

void TestMailStore::itemsByPosition_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("fn");
    QTest::newRow("before the first") << 0 << QString();
    QTest::newRow("negative") << -3 << QString();
    QTest::newRow("first") << 1 << "Ann";
    QTest::newRow("second file") << 2 << "Bea";
    QTest::newRow("last") << 5 << "Dan";
    QTest::newRow("after the last") << 6 << QString();
}

void TestMailStore::itemsByPosition() {
    QFETCH(int, position);
    QFETCH(QString, fn);
    const auto folder = MailStore(m_root).folder("Personal Folders", "Contacts");
    QVERIFY(folder);
    const ContactCard* item = folder->item(position);
    QCOMPARE(item != nullptr, !fn.isEmpty());
    if (item)
        QCOMPARE(item->fn, fn);
}

void TestMailStore::groupIsAnItemButNotAContact() {
    const auto folder = MailStore(m_root).folder("Personal Folders", "Contacts");
    QVERIFY(folder);
    QCOMPARE(folder->count(), 5);
    QVERIFY(!folder->item(4)->isContact());
    QVERIFY(folder->item(5)->isContact());
    QCOMPARE(folder->item(5)->email, QStringLiteral("dan@example.org"));
}

// layout: folders to create under the root, as "store/folder"
void TestMailStore::defaultContactsFolder_data() {
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("store");
    QTest::newRow("usual") << QStringList{"Personal Folders/Contacts", "Personal Folders/Inbox"}
                           << "Contacts"
                           << "Personal Folders";
    QTest::newRow("first store in name order")
        << QStringList{"Personal Folders/Contacts", "Archive/Contacts"} << "Contacts"
        << "Archive";
    QTest::newRow("only the second store has one")
        << QStringList{"Archive/Inbox", "Personal Folders/Contacts"} << "Contacts"
        << "Personal Folders";
    QTest::newRow("spelled in lower case") << QStringList{"Personal Folders/contacts"} << "contacts"
                                           << "Personal Folders";
    QTest::newRow("none") << QStringList{"Personal Folders/Inbox"} << QString() << QString();
    QTest::newRow("empty store") << QStringList{} << QString() << QString();
    QTest::newRow("contacts at the top is not a folder")
        << QStringList{"Contacts/Inbox"} << QString() << QString();
}

void TestMailStore::defaultContactsFolder() {
    QFETCH(QStringList, layout);
    QFETCH(QString, name);
    QFETCH(QString, store);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString& folder : layout)
        QVERIFY(QDir().mkpath(dir.path() + u'/' + folder));
    const MailStore mail(dir.path());
    QCOMPARE(mail.defaultContactsFolderName(), name);
    const auto folder = mail.defaultContactsFolder();
    QCOMPARE(bool(folder), !name.isEmpty());
    if (folder) {
        QCOMPARE(folder->name(), name);
        QCOMPARE(QFileInfo(folder->path()).dir().dirName(), store);
        QCOMPARE(folder->count(), 0);
    }
}

void TestMailStore::storeThatCannotBeOpened_data() {
    QTest::addColumn<QString>("root");
    QTest::newRow("missing") << m_dir.path() + QStringLiteral("/no such folder");
    QTest::newRow("a file") << m_root + QStringLiteral("/Personal Folders/Contacts/b.vcf");
    QTest::newRow("empty path") << QString();
}

void TestMailStore::storeThatCannotBeOpened() {
    QFETCH(QString, root);
    const MailStore store(root);
    QVERIFY(store.topLevelFolders().isEmpty());
    QVERIFY(store.folders("Personal Folders").isEmpty());
    QVERIFY(!store.folder("Personal Folders", "Contacts"));
    QVERIFY(store.defaultContactsFolderName().isEmpty());
    QVERIFY(!store.defaultContactsFolder());
}

void TestMailStore::unchangedFolderIsNotReadAgain() {
    const int before = MailStore::parseCount();
    const auto first = MailStore(m_root).folder("Personal Folders", "Contacts");
    QCOMPARE(MailStore::parseCount() - before, 3); // A.VCF, b.vcf, d.vcf
    const auto again = MailStore(m_root).folder("Personal Folders", "Contacts");
    QCOMPARE(MailStore::parseCount() - before, 3);
    QCOMPARE(again.get(), first.get());
    QCOMPARE(MailStore(m_root).topLevelFolders(), (QStringList{"Archive", "Personal Folders"}));
    QCOMPARE(MailStore(m_root).folders("Personal Folders"), (QStringList{"Calendar", "Contacts"}));
}

// change: what happens to a folder holding a.vcf (Ann) and b.vcf (Bea, Bob)
// between two lookups; reads: how many files are read for the second lookup.
void TestMailStore::changes_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("reads");
    QTest::newRow("nothing") << "none" << QStringList{"Ann", "Bea", "Bob"} << 0;
    QTest::newRow("file rewritten") << "rewrite" << QStringList{"Ann", "Beatrice", "Bob"} << 1;
    QTest::newRow("same size, newer time") << "touch" << QStringList{"Ann", "Bee", "Bob"} << 1;
    QTest::newRow("file added") << "add" << QStringList{"Ann", "Bea", "Bob", "Cid"} << 1;
    QTest::newRow("file added before the others")
        << "add first" << QStringList{"Aaron", "Ann", "Bea", "Bob"} << 1;
    QTest::newRow("file removed") << "remove" << QStringList{"Bea", "Bob"} << 0;
    QTest::newRow("file renamed") << "rename" << QStringList{"Bea", "Bob", "Ann"} << 1;
    QTest::newRow("file emptied") << "empty" << QStringList{"Ann"} << 1;
}

void TestMailStore::changes() {
    QFETCH(QString, change);
    QFETCH(QStringList, items);
    QFETCH(int, reads);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folderPath = dir.path() + QStringLiteral("/Personal Folders/Contacts/");
    const QDateTime past = QDateTime::currentDateTime().addSecs(-3600);
    QVERIFY(writeFile(folderPath + "a.vcf", card("Ann")));
    QVERIFY(writeFile(folderPath + "b.vcf", card("Bea") + card("Bob")));
    QVERIFY(setModified(folderPath + "a.vcf", past));
    QVERIFY(setModified(folderPath + "b.vcf", past));

    const auto first = MailStore(dir.path()).folder("Personal Folders", "Contacts");
    QCOMPARE(names(first), (QStringList{"Ann", "Bea", "Bob"}));

    if (change == "rewrite") {
        QVERIFY(writeFile(folderPath + "b.vcf", card("Beatrice") + card("Bob")));
    } else if (change == "touch") {
        QVERIFY(writeFile(folderPath + "b.vcf", card("Bee") + card("Bob")));
        QVERIFY(setModified(folderPath + "b.vcf", past.addSecs(60)));
    } else if (change == "add") {
        QVERIFY(writeFile(folderPath + "c.vcf", card("Cid")));
    } else if (change == "add first") {
        QVERIFY(writeFile(folderPath + "0.vcf", card("Aaron")));
    } else if (change == "remove") {
        QVERIFY(QFile::remove(folderPath + "a.vcf"));
    } else if (change == "rename") {
        QVERIFY(QFile::rename(folderPath + "a.vcf", folderPath + "z.vcf"));
    } else if (change == "empty") {
        QVERIFY(writeFile(folderPath + "b.vcf", QByteArray()));
    }

    const int before = MailStore::parseCount();
    const auto second = MailStore(dir.path()).folder("Personal Folders", "Contacts");
    QCOMPARE(MailStore::parseCount() - before, reads);
    QCOMPARE(names(second), items);
    QCOMPARE(second.get() == first.get(), change == "none");
    // The earlier snapshot stays as it was for whoever still holds it.
    QCOMPARE(names(first), (QStringList{"Ann", "Bea", "Bob"}));
}

void TestMailStore::tenThousandCards() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folderPath = dir.path() + QStringLiteral("/Personal Folders/Contacts/");
    QByteArray big;
    for (int i = 0; i < 5000; ++i) {
        big += card(QStringLiteral("Person %1").arg(i, 5, 10, QLatin1Char('0')),
                    "N:Person;" + QByteArray::number(i) + ";;;\r\nEMAIL;TYPE=INTERNET:p" +
                        QByteArray::number(i) + "@example.org\r\nTEL;TYPE=HOME,VOICE:555-01" +
                        QByteArray::number(i) + "\r\nADR;TYPE=HOME:;;" + QByteArray::number(i) +
                        " Main Street;Springfield;IL;62701;USA\r\n");
    }
    QVERIFY(writeFile(folderPath + "all.vcf", big));
    for (int f = 0; f < 50; ++f) {
        QByteArray small;
        for (int i = 0; i < 100; ++i)
            small += card(QStringLiteral("Extra %1-%2").arg(f).arg(i),
                          "EMAIL:e@example.org\r\nADR:;;1 Side St;Town;;;\r\n");
        QVERIFY(
            writeFile(folderPath + QStringLiteral("more%1.vcf").arg(f, 2, 10, QChar(u'0')), small));
    }

    // Processor time, so that other work on a busy machine does not count.
    std::clock_t started = std::clock();
    const auto folder = MailStore(dir.path()).folder("Personal Folders", "Contacts");
    const qint64 firstMs = cpuMsSince(started);
    QVERIFY(folder);
    QCOMPARE(folder->count(), 10000);
    QCOMPARE(folder->item(1)->fn, QStringLiteral("Person 00000"));
    QCOMPARE(folder->item(5000)->homePhone, QStringLiteral("555-014999"));
    QCOMPARE(folder->item(10000)->fn, QStringLiteral("Extra 49-99"));
    QVERIFY2(firstMs < 1000 * kSlowdown,
             qPrintable(QStringLiteral("first listing took %1 ms").arg(firstMs)));

    const int before = MailStore::parseCount();
    started = std::clock();
    const auto again = MailStore(dir.path()).folder("Personal Folders", "Contacts");
    const qint64 againMs = cpuMsSince(started);
    qInfo("10000 cards: first listing %lld ms, second lookup %lld ms", firstMs, againMs);
    QCOMPARE(MailStore::parseCount(), before);
    QCOMPARE(again.get(), folder.get());
    QVERIFY2(againMs < 50 * kSlowdown,
             qPrintable(QStringLiteral("second lookup took %1 ms").arg(againMs)));
}

QTEST_GUILESS_MAIN(TestMailStore)
#include "tst_mailstore.moc"
