// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/AddressBookReaders.h"
#include "support/ImportWindow.h"

#include <QRandomGenerator>

namespace {

const QString dataDir = QStringLiteral(QUILLARY_SOURCE_DIR "/tests/data/addressbooks/");
const QString evolutionBook =
    QStringLiteral(".local/share/evolution/addressbook/system/contacts.db");
const QString profileInUse = QStringLiteral("da9xgo9a.default-default");
// The organisation-only contact of the stores is listed by its organisation.
const QString organisation = QStringLiteral("Acme Widgets GmbH");
// The one card of the vCard folder, listed where no mail program's book is read.
const QString vcardRow = QStringLiteral("Vera Vcard||||||vera@example.org");

// Files of the fake home folder, "path in the home=file of the test data";
// "damaged" stands for bytes that are no database.
QStringList thunderbird(const QString& book, const QString& root = QStringLiteral(".thunderbird")) {
    return {root + "/profiles.ini=thunderbird-profile/profiles.ini",
            root + "/installs.ini=thunderbird-profile/installs.ini",
            root + u'/' + profileInUse + "/abook.sqlite=" + book};
}

QStringList evolution(const QString& book) {
    return {evolutionBook + u'=' + book};
}

// What each contact of a store yields, as "name|street|city|region|zip|phone|e-mail".
QStringList expectedRows(const QString& tsv) {
    if (tsv == QLatin1String("vcard"))
        return {vcardRow};
    QFile file(dataDir + tsv);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    lines.removeFirst();
    QStringList rows;
    for (const QString& line : lines) {
        QStringList c = line.split(u'\t');
        c.resize(7);
        const QString name = !c[0].isEmpty() ? c[0] : !c[1].isEmpty() ? c[1] : organisation;
        rows << QStringList{name, c[2], c[3], c[4], c[5], c[6], c[1]}.join(u'|');
    }
    return rows;
}

// A random text of the letters address books hold, escapes and all.
QString randomText(QRandomGenerator& random, int maxLength) {
    static const QStringList pool = {"a",  "Z", "é", "ß",  "山", "😀", " ", ",", ";",
                                     "\\", ":", "'", "\"", "-",  "9", "ø", "=", "Ω"};
    QString text;
    const int length = random.bounded(1, maxLength + 1);
    for (int i = 0; i < length; ++i)
        text += pool[random.bounded(int(pool.size()))];
    text = text.trimmed();
    return text.isEmpty() ? QStringLiteral("x") : text;
}

QString escaped(QString text) {
    return text.replace(u'\\', "\\\\")
        .replace(u',', "\\,")
        .replace(u';', "\\;")
        .replace(u'\n', "\\n");
}

// A vCard as the mail programs write it: CR LF, lines folded at 75 bytes
// without cutting a character.
QByteArray vcardOf(const QStringList& c, const QByteArray& version) {
    const QByteArray body = "BEGIN:VCARD\nVERSION:" + version + "\nFN:" + escaped(c[0]).toUtf8() +
                            "\nEMAIL:" + escaped(c[6]).toUtf8() + "\nADR;TYPE=HOME:;;" +
                            escaped(c[1] + "\nsecond line").toUtf8() + u';' +
                            escaped(c[2]).toUtf8() + u';' + escaped(c[3]).toUtf8() + u';' +
                            escaped(c[4]).toUtf8() +
                            ";Country\nTEL;TYPE=HOME:" + escaped(c[5]).toUtf8() + "\nEND:VCARD\n";
    QByteArray out;
    for (const QByteArray& line : body.split('\n')) {
        qsizetype start = 0, taken = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (taken >= 74 && (uchar(line[i]) & 0xC0) != 0x80) {
                out += line.mid(start, i - start) + "\r\n ";
                start = i;
                taken = 0;
            }
            ++taken;
        }
        out += line.mid(start) + "\r\n";
    }
    return out.chopped(2);
}

} // namespace

class tst_addressbooks : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ImportWindow::close(); }
    // files: the fake home's files; mailto: the default mail program recorded;
    // locked: a contact is added to Thunderbird's book while it holds the book
    // locked, so it is only in the -wal; expected: the test data's values, or
    // "vcard"; status: the book named; unread: the books reported unreadable.
    void mailProgramBook_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("mailto");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("unread");
        const QString tb = "thunderbird.desktop", evo = "org.gnome.Evolution.desktop";
        const QString pab = "Personal Address Book", personal = "Personal";
        const QString tb12 = "tb-real-abook-12.sqlite", eds12 = "eds-contacts-12.db";
        const QString twelve = "expected_12.tsv";
        const QString tbPath = ".thunderbird/" + profileInUse + "/abook.sqlite";

        QTest::newRow("Thunderbird, the default") << thunderbird(tb12) + evolution(eds12) << tb
                                                  << false << twelve << pab << QStringList{};
        QTest::newRow("Thunderbird, cards without _vCard")
            << thunderbird("tb-old-v1-12.sqlite") << tb << false << twelve << pab << QStringList{};
        QTest::newRow("Thunderbird's own test book")
            << thunderbird("tb-testdata-cardForEmail.sqlite") << tb << false
            << "expected_tb-testdata-cardForEmail.tsv" << pab << QStringList{};
        QTest::newRow("Flatpak Thunderbird running, newest contact only in its -wal")
            << thunderbird(tb12, ".var/app/net.thunderbird.Thunderbird/.thunderbird")
            << "net.thunderbird.Thunderbird.desktop" << true << twelve << pab << QStringList{};
        QTest::newRow("the profile in use, not the one marked Default=1")
            << thunderbird(tb12) + QStringList{".thunderbird/4nodpf3y.default/abook.sqlite=" +
                                               QStringLiteral("tb-old-v1-12.sqlite")}
            << tb << false << twelve << pab << QStringList{};
        QTest::newRow("no install recorded: the profile marked Default=1")
            << QStringList{".thunderbird/profiles.ini=text:[Profile0]\nPath=a\nIsRelative=1\n"
                           "[Profile1]\nPath=b\nIsRelative=1\nDefault=1\n",
                           ".thunderbird/a/abook.sqlite=tb-testdata-cardForEmail.sqlite",
                           ".thunderbird/b/abook.sqlite=" + tb12}
            << tb << false << twelve << pab << QStringList{};
        QTest::newRow("Evolution, the default")
            << thunderbird("tb-testdata-cardForEmail.sqlite") + evolution(eds12) << evo << false
            << twelve << personal << QStringList{};
        QTest::newRow("no default recorded: Thunderbird first (Snap)")
            << thunderbird(tb12, "snap/thunderbird/common/.thunderbird") + evolution(eds12) << ""
            << false << twelve << pab << QStringList{};
        QTest::newRow("the default has no book: Evolution's")
            << evolution(eds12) << tb << false << twelve << personal << QStringList{};
        QTest::newRow("damaged Thunderbird book: told, Evolution's read")
            << thunderbird("damaged") + evolution(eds12) << tb << false << twelve << personal
            << QStringList{tbPath};
        QTest::newRow("Evolution book without contacts, Thunderbird's damaged: the vCard folder")
            << evolution("tb-old-v1-12.sqlite") + thunderbird("damaged") << evo << false << "vcard"
            << "Contacts" << QStringList{evolutionBook, tbPath};
    }
    void mailProgramBook() {
        QFETCH(QStringList, files);
        QFETCH(QString, mailto);
        QFETCH(bool, locked);
        QFETCH(QString, expected);
        QFETCH(QString, status);
        QFETCH(QStringList, unread);

        QTemporaryDir home, store;
        ImportWindow::setHome(home.path());
        for (const QString& file : files) {
            const QString target = home.filePath(file.section(u'=', 0, 0));
            const QString source = file.section(u'=', 1);
            QVERIFY(QDir().mkpath(QFileInfo(target).path()));
            if (source == "damaged" || source.startsWith("text:")) {
                QFile out(target);
                QVERIFY(out.open(QIODevice::WriteOnly));
                out.write(source == "damaged" ? QByteArray(8192, '\x5a') : source.mid(5).toUtf8());
            } else {
                QVERIFY(QFile::copy(dataDir + source, target));
                QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
            }
        }
        if (!mailto.isEmpty()) {
            QVERIFY(QDir().mkpath(home.filePath(".config")));
            QFile list(home.filePath(".config/mimeapps.list"));
            QVERIFY(list.open(QIODevice::WriteOnly));
            list.write("[Added Associations]\nx-scheme-handler/mailto=other.desktop;\n\n"
                       "[Default Applications]\nx-scheme-handler/mailto=" +
                       mailto.toUtf8() + ";\n");
        }
        ImportWindow::writeCards(store.path(), "vera.vcf",
                                 ImportWindow::card("Vera Vcard", "EMAIL:vera@example.org\r\n"));
        modOutLook::setStoreRootForTesting(store.path());

        // Thunderbird, running: its book locked, a new contact only in the -wal.
        QStringList rows = expectedRows(expected);
        std::optional<SQLite::Database> running;
        if (locked) {
            const QString book = home.filePath(files.last().section(u'=', 0, 0));
            running.emplace(QFile::encodeName(book).toStdString(), SQLite::OPEN_READWRITE);
            running->exec(
                "PRAGMA locking_mode=EXCLUSIVE; PRAGMA wal_autocheckpoint=0;"
                "INSERT INTO properties VALUES ('w1', '_vCard', 'BEGIN:VCARD\r\n"
                "VERSION:4.0\r\nFN:Wendy Wal\r\nEMAIL:wendy@example.org\r\nEND:VCARD\r\n'),"
                "('w1', 'DisplayName', 'Wendy Wal')");
            QVERIFY(QFileInfo(book + "-wal").size() > 0);
            SQLite::Database other(QFile::encodeName(book).toStdString(), SQLite::OPEN_READONLY);
            QVERIFY_THROWS_EXCEPTION(SQLite::Exception,
                                     other.exec("SELECT count(*) FROM properties"));
            rows << "Wendy Wal||||||wendy@example.org";
        }
        const auto before = snapshot(home.path());

        Harness h;
        frmContacts* form = ImportWindow::open(h.startWith({}));
        QVERIFY(form);

        QCOMPARE(MsgBox::shown().size(), unread.size());
        for (qsizetype i = 0; i < unread.size(); ++i) {
            QVERIFY2(MsgBox::shown()[i].text.contains(home.filePath(unread[i])),
                     qPrintable(MsgBox::shown()[i].text));
            QCOMPARE(MsgBox::shown()[i].icon, MsgBox::Icon::Exclamation);
        }
        QCOMPARE(form->Text4->text(), "Current Outlook folder is '" + status + "'");
        // Each entry clicked shows its own contact's details beside its address.
        QStringList shown;
        for (int row = 0; row < form->lstContacts->count(); ++row) {
            ImportWindow::click(form->lstContacts, row);
            QCOMPARE(form->lstEmail->item(row)->text(), form->Text3a->text());
            shown << (QStringList{form->lstContacts->item(row)->text()} +
                      ImportWindow::detailTexts(form))
                         .join(u'|');
        }
        QCOMPARE(sorted(shown), sorted(rows));

        MsgBox::clearShown();
        Harness::click(form->cmdAdd2phonebook);
        QCOMPARE(MsgBox::last().text, QStringLiteral("All selected contacts were added!"));
        h.window->Data1->close();
        QCOMPARE(sorted(ImportWindow::storedRows(h.folder.file("Quillary.mdb"), false)),
                 sorted(rows));
        QCOMPARE(snapshot(home.path()), before);
    }
    // Random contacts written into books of each program's own schema, as vCards
    // (3.0 or 4.0) or, for Thunderbird, as separate properties, read back in the
    // order they were stored. QUILLARY_MODEL_ROUNDS runs more rounds.
    void readersAgainstModel() {
        const int rounds = std::max(20, qEnvironmentVariableIntValue("QUILLARY_MODEL_ROUNDS"));
        QTemporaryDir dir;
        for (int round = 0; round < rounds; ++round) {
            QRandomGenerator random(quint32(20261207 + round));
            const QString tbBook = dir.filePath(QString("tb%1.sqlite").arg(round));
            const QString evoBook = dir.filePath(QString("evo%1.db").arg(round));
            QVERIFY(QFile::copy(dataDir + "tb-real-abook-12.sqlite", tbBook));
            QVERIFY(QFile::copy(dataDir + "eds-contacts-12.db", evoBook));
            QFile::setPermissions(tbBook, QFile::ReadOwner | QFile::WriteOwner);
            QFile::setPermissions(evoBook, QFile::ReadOwner | QFile::WriteOwner);
            SQLite::Database tb(tbBook.toStdString(), SQLite::OPEN_READWRITE);
            SQLite::Database evo(evoBook.toStdString(), SQLite::OPEN_READWRITE);
            tb.exec("DELETE FROM properties");
            evo.exec("DELETE FROM folder_id");
            if (round % 2) // a book in WAL mode is read from a copy too
                evo.exec("PRAGMA journal_mode=WAL");
            SQLite::Statement addProperty(tb, "INSERT INTO properties VALUES (?, ?, ?)");
            SQLite::Statement addVCard(evo, "INSERT INTO folder_id (uid, vcard) VALUES (?, ?)");
            QStringList model;
            for (int i = 0, n = random.bounded(1, 40); i < n; ++i) {
                QStringList c;
                for (int field = 0; field < 6; ++field)
                    c << randomText(random, field == 0 ? 30 : 12);
                c << randomText(random, 10).remove(u' ') + "@example.org";
                model << c.join(u'|');
                const QByteArray uid = QByteArray::number(i);
                const auto put = [&](const char* name, const QByteArray& value) {
                    addProperty.bind(1, uid.toStdString());
                    addProperty.bind(2, name);
                    addProperty.bind(3, value.toStdString());
                    addProperty.exec();
                    addProperty.reset();
                };
                if (random.bounded(3) == 0) {
                    const char* names[] = {"DisplayName", "HomeAddress", "HomeCity",    "HomeState",
                                           "HomeZipCode", "HomePhone",   "PrimaryEmail"};
                    for (int field = 0; field < 7; ++field)
                        put(names[field], (c[field] + (field == 1 ? "\nsecond" : "")).toUtf8());
                } else {
                    put("_vCard", vcardOf(c, random.bounded(2) ? "3.0" : "4.0"));
                }
                addVCard.bind(1, uid.toStdString());
                addVCard.bind(2, vcardOf(c, "3.0").toStdString());
                addVCard.exec();
                addVCard.reset();
            }
            for (const QString& book : {tbBook, evoBook}) {
                const QList<ContactCard> cards = book == tbBook
                                                     ? AddressBookReaders::readThunderbird(book)
                                                     : AddressBookReaders::readEvolution(book);
                QStringList read;
                for (const ContactCard& c : cards)
                    read << QStringList{c.displayValue, c.street,    c.city, c.region,
                                        c.postalCode,   c.homePhone, c.email}
                                .join(u'|');
                QCOMPARE(read, model);
            }
        }
    }
};

QTEST_MAIN(tst_addressbooks)
#include "tst_addressbooks.moc"
