// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/AddressBookReaders.h"
#include "support/ImportWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
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

// What each contact of a store yields, as "name|street|city|region|zip|phone|e-mail";
// rows after "+" are added.
QStringList expectedRows(const QString& expected) {
    const QString tsv = expected.section(u'+', 0, 0);
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
    return rows + expected.section(u'+', 1).split(u'+', Qt::SkipEmptyParts);
}

// Stands for a byte that is no UTF-8 (0xFF) in the random texts.
constexpr char16_t notUtf8 = 0xE000;

// A random text of the letters address books hold, escapes, NUL bytes and
// bytes that are no UTF-8 among them.
QString randomText(QRandomGenerator& random, int maxLength) {
    static const QStringList pool = {"a", "Z", "é",  "ß", "山",         "😀",           " ",
                                     ",", ";", "\\", ":", "'",          "\"",          "-",
                                     "9", "ø", "=",  "Ω", QChar(u'\0'), QChar(notUtf8)};
    QString text;
    const int length = random.bounded(1, maxLength + 1);
    for (int i = 0; i < length; ++i)
        text += pool[random.bounded(int(pool.size()))];
    text = text.trimmed();
    return text.isEmpty() ? QStringLiteral("x") : text;
}

// The text as the window shows it: NUL and bytes that are no UTF-8 as U+FFFD.
QString shown(QString text) {
    return text.replace(QChar(u'\0'), QChar::ReplacementCharacter)
        .replace(QChar(notUtf8), QChar::ReplacementCharacter);
}

// The text's bytes in a book.
QByteArray raw(const QString& text) {
    return text.toUtf8().replace(QString(QChar(notUtf8)).toUtf8(), "\xFF");
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
    const QByteArray body = "BEGIN:VCARD\nVERSION:" + version + "\nFN:" + raw(escaped(c[0])) +
                            "\nEMAIL:" + raw(escaped(c[6])) + "\nADR;TYPE=HOME:;;" +
                            raw(escaped(c[1] + "\nsecond line")) + u';' + raw(escaped(c[2])) +
                            u';' + raw(escaped(c[3])) + u';' + raw(escaped(c[4])) +
                            ";Country\nTEL;TYPE=HOME:" + raw(escaped(c[5])) + "\nEND:VCARD\n";
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

// Puts files into the fake home ("path in the home=file of the test data";
// "damaged" stands for bytes that are no database, "text:" for the text
// after it, "sql:" for SQL run on the file placed before) and records the
// default mail program.
void placeFiles(const QString& home, const QStringList& files, const QString& mailto) {
    for (const QString& file : files) {
        const QString target = home + u'/' + file.section(u'=', 0, 0);
        const QString source = file.section(u'=', 1);
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        if (source.startsWith("sql:")) {
            SQLite::Database(QFile::encodeName(target).toStdString(), SQLite::OPEN_READWRITE)
                .exec(source.mid(4).toStdString());
        } else if (source == "damaged" || source.startsWith("text:")) {
            QFile out(target);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(source == "damaged" ? QByteArray(8192, '\x5a') : source.mid(5).toUtf8());
        } else {
            QVERIFY(QFile::copy(dataDir + source, target));
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    if (mailto.isEmpty())
        return;
    QVERIFY(QDir().mkpath(home + "/.config"));
    QFile list(home + "/.config/mimeapps.list");
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("[Added Associations]\nx-scheme-handler/mailto=other.desktop;\n\n"
               "[Default Applications]\nx-scheme-handler/mailto=" +
               mailto.toUtf8() + ";\n");
}

// A book of the test data's schema holding one contact.
QStringList bookOf(const QString& path, const QString& name) {
    const bool tb = path.endsWith(".sqlite");
    const QString card = QString("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:%1\r\nEMAIL:%2@example.org\r\n"
                                 "END:VCARD\r\n")
                             .arg(name, name.section(u' ', 0, 0).toLower());
    return {path + (tb ? "=tb-real-abook-12.sqlite" : "=eds-contacts-12.db"),
            path + (tb ? "=sql:DELETE FROM properties; INSERT INTO properties VALUES "
                         "('c1', '_vCard', '" +
                             card + "')"
                       : "=sql:DELETE FROM folder_id; INSERT INTO folder_id (uid, vcard) "
                         "VALUES ('c1', '" +
                             card + "')")};
}

} // namespace

class tst_addressbooks : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ImportWindow::close(); }
    // files: the fake home's files; mailto: the default mail program recorded;
    // locked: a contact is added to Thunderbird's book while it holds the book
    // locked, so it is only in the -wal; expected: the test data's values, or
    // "vcard"; status: the status line after "Current Outlook folder is '";
    // unread: the books reported unreadable. "sql:" runs SQL on a placed book.
    void mailProgramBook_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("mailto");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("unread");
        const QString tb = "thunderbird.desktop", evo = "org.gnome.Evolution.desktop";
        const QString pab = "Personal Address Book'", personal = "Personal'";
        const QString tb12 = "tb-real-abook-12.sqlite", eds12 = "eds-contacts-12.db";
        const QString twelve = "expected_12.tsv";
        const QString tbPath = ".thunderbird/" + profileInUse + "/abook.sqlite";

        const auto row = [](const char* tag, const QStringList& files, const QString& mailto,
                            const QString& expected, const QString& status,
                            const QStringList& unread = {}, bool locked = false) {
            QTest::newRow(tag) << files << mailto << locked << expected << status << unread;
        };
        row("Thunderbird, the default", thunderbird(tb12) + evolution(eds12), tb, twelve, pab);
        row("Thunderbird, cards without _vCard", thunderbird("tb-old-v1-12.sqlite"), tb, twelve,
            pab);
        row("Thunderbird's own test book", thunderbird("tb-testdata-cardForEmail.sqlite"), tb,
            "expected_tb-testdata-cardForEmail.tsv", pab);
        row("Flatpak Thunderbird running, newest contact only in its -wal",
            thunderbird(tb12, ".var/app/net.thunderbird.Thunderbird/.thunderbird"),
            "net.thunderbird.Thunderbird.desktop", twelve, pab, {}, true);
        row("the profile in use, not the one marked Default=1",
            thunderbird(tb12) + QStringList{".thunderbird/4nodpf3y.default/abook.sqlite=" +
                                            QStringLiteral("tb-old-v1-12.sqlite")},
            tb, twelve, pab);
        row("no install recorded: the profile marked Default=1",
            {".thunderbird/profiles.ini=text:[Profile0]\nPath=a\nIsRelative=1\n"
             "[Profile1]\nPath=b\nIsRelative=1\nDefault=1\n",
             ".thunderbird/a/abook.sqlite=tb-testdata-cardForEmail.sqlite",
             ".thunderbird/b/abook.sqlite=" + tb12},
            tb, twelve, pab);
        row("Evolution, the default",
            thunderbird("tb-testdata-cardForEmail.sqlite") + evolution(eds12), evo, twelve,
            personal);
        row("no default recorded: Thunderbird first (Snap)",
            thunderbird(tb12, "snap/thunderbird/common/.thunderbird") + evolution(eds12), "",
            twelve, pab);
        row("the default has no book: Evolution's", evolution(eds12), tb, twelve, personal);
        row("damaged Thunderbird book: told, Evolution's read",
            thunderbird("damaged") + evolution(eds12), tb, twelve, personal, {tbPath});
        row("Evolution book without contacts, Thunderbird's damaged: the vCard folder",
            evolution("tb-old-v1-12.sqlite") + thunderbird("damaged"), evo, "vcard", "Contacts'",
            {evolutionBook, tbPath});
        row("entries that hold no card are counted",
            evolution(eds12) +
                QStringList{evolutionBook + "=sql:INSERT INTO folder_id (uid, vcard) VALUES "
                                            "('n1', NULL), ('n2', 42), ('n3', 'no card')"},
            evo, twelve, "Personal' (3 entries of the book could not be read)");
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
        placeFiles(home.path(), files, mailto);
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
        QCOMPARE(form->Text4->text(), "Current Outlook folder is '" + status);
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
    // (3.0 or 4.0, as text or as bytes, some after a NUL byte) or, for
    // Thunderbird, as separate properties (some stored again later), among
    // entries that hold no card (NULL, a number, other text), read back in the
    // order they were first stored:
    // the list's values, then each whole card. QUILLARY_MODEL_ROUNDS runs more rounds.
    void readersAgainstModel() {
        const int rounds = std::max(20, qEnvironmentVariableIntValue("QUILLARY_MODEL_ROUNDS"));
        QTemporaryDir dir;
        for (int round = 0; round < rounds; ++round) {
            QRandomGenerator random(quint32(20261207 + round));
            const QString tbBook = QString("tb%1.sqlite").arg(round);
            const QString evoBook = QString("evo%1.db").arg(round);
            placeFiles(dir.path(),
                       {tbBook + "=tb-real-abook-12.sqlite", tbBook + "=sql:DELETE FROM properties",
                        evoBook + "=eds-contacts-12.db", evoBook + "=sql:DELETE FROM folder_id"},
                       {});
            SQLite::Database tb(dir.filePath(tbBook).toStdString(), SQLite::OPEN_READWRITE);
            SQLite::Database evo(dir.filePath(evoBook).toStdString(), SQLite::OPEN_READWRITE);
            if (round % 2) // a book in WAL mode is read from a copy too
                evo.exec("PRAGMA journal_mode=WAL");
            SQLite::Statement addProperty(tb, "INSERT INTO properties VALUES (?, ?, ?)");
            SQLite::Statement addVCard(evo, "INSERT INTO folder_id (uid, vcard) VALUES (?, ?)");
            // As text or as bytes, a card perhaps after a NUL; a null value is NULL,
            // "42" the number.
            const auto bind = [&random](SQLite::Statement& q, int at, QByteArray value) {
                const int form = value.isNull() ? 3 : value == "42" ? 4 : random.bounded(3);
                if (form == 2 && value.startsWith("BEGIN"))
                    value.prepend('\0');
                if (form == 0)
                    q.bind(at, value.toStdString());
                else if (form < 3)
                    q.bind(at, value.constData(), int(value.size()));
                else if (form == 3)
                    q.bind(at);
                else
                    q.bind(at, 42);
            };
            QStringList model, listedModel;
            qsizetype unreadable = 0;
            QByteArrayList named;
            for (int i = 0, n = random.bounded(1, 40); i < n; ++i) {
                const QByteArray uid = QByteArray::number(i);
                const auto put = [&](const char* name, const QByteArray& value) {
                    addProperty.bind(1, uid.toStdString());
                    addProperty.bind(2, name);
                    bind(addProperty, 3, value);
                    addProperty.exec();
                    addProperty.reset();
                };
                const auto store = [&](const QByteArray& vcard) {
                    addVCard.bind(1, uid.toStdString());
                    bind(addVCard, 2, vcard);
                    addVCard.exec();
                    addVCard.reset();
                };
                if (random.bounded(8) == 0) {
                    const QByteArray noCard[] = {QByteArray(), "42", "no card\r\n"};
                    const QByteArray& entry = noCard[random.bounded(3)];
                    put("_vCard", entry);
                    store(entry);
                    ++unreadable;
                    continue;
                }
                QStringList c;
                for (int field = 0; field < 6; ++field)
                    c << randomText(random, field == 0 ? 30 : 12);
                c << randomText(random, 10).remove(u' ') + "@example.org";
                model << shown(c.join(u'|'));
                listedModel << shown(c[0] + u'|' + c[6]);
                if (random.bounded(3) == 0) {
                    const char* names[] = {"DisplayName", "HomeAddress", "HomeCity",    "HomeState",
                                           "HomeZipCode", "HomePhone",   "PrimaryEmail"};
                    for (int field = 0; field < 7; ++field)
                        put(names[field], raw(c[field] + (field == 1 ? "\nsecond" : "")));
                } else {
                    put("_vCard", vcardOf(c, random.bounded(2) ? "3.0" : "4.0"));
                }
                store(vcardOf(c, "3.0"));
                named << uid;
            }
            // Later properties of cards stored before: the first of each counts.
            for (const QByteArray& uid : named) {
                if (random.bounded(4) == 0)
                    tb.exec("INSERT INTO properties VALUES ('" + uid.toStdString() +
                            "', 'DisplayName', 'later'), ('" + uid.toStdString() +
                            "', 'PrimaryEmail', 'later@example.org')");
            }
            for (const QString& book : {tbBook, evoBook}) {
                const AddressBookReaders::BookListing listing =
                    book == tbBook ? AddressBookReaders::readThunderbird(dir.filePath(book))
                                   : AddressBookReaders::readEvolution(dir.filePath(book));
                QStringList listed, read;
                for (qsizetype i = 0; i < listing.contacts.size(); ++i) {
                    listed << listing.contacts[i].displayValue + u'|' + listing.contacts[i].email;
                    const ContactCard c = listing.details->card(i);
                    read << QStringList{c.displayValue, c.street,    c.city, c.region,
                                        c.postalCode,   c.homePhone, c.email}
                                .join(u'|');
                }
                QCOMPARE(listed, listedModel);
                QCOMPARE(read, model);
                QCOMPARE(listing.unreadable, unreadable);
            }
        }
    }
    // Every book of both mail programs offered in the window's chooser: the
    // window starts on the default book; choosing one by keys lists its contacts.
    void bookChooser() {
        QTemporaryDir home, store;
        ImportWindow::setHome(home.path());
        const QString tb = ".thunderbird/" + profileInUse + u'/';
        const QString evo = ".local/share/evolution/addressbook/";
        const QString sources = ".config/evolution/sources/";
        const QString pref = "user_pref(\"ldap_2.servers.%1\", %2);\n";
        QStringList files = thunderbird("tb-real-abook-12.sqlite") +
                            bookOf(tb + "abook-1.sqlite", "Carla CardDAV") +
                            bookOf(tb + "abook-2.sqlite", "Rita Removed") +
                            bookOf(tb + "ldap.sqlite", "Lars Ldap") +
                            evolution("eds-contacts-12.db") +
                            bookOf(evo + "g00gle/contacts.db", "Gina Google") +
                            bookOf(evo + "0ld/contacts.db", "Arno Archive");
        files << tb + "abook-3.sqlite=damaged"
              << tb + "prefs.js=text:" + pref.arg("Work.description", "\"Work\"") +
                     pref.arg("Work.dirType", "102") +
                     pref.arg("Work.carddav.url", "\"https://dav.example.org/card/\"") +
                     pref.arg("Work.filename", "\"abook-1.sqlite\"") +
                     pref.arg("Old.description", "\"Old\"") +
                     pref.arg("Old.filename", "\"abook-2.sqlite\"") +
                     pref.arg("Old.position", "0") + pref.arg("Dir.description", "\"Directory\"") +
                     pref.arg("Dir.filename", "\"ldap.sqlite\"") +
                     pref.arg("Dir.uri", "\"ldap://ldap.example.org/dc=example\"") +
                     pref.arg("Broken.filename", "\"abook-3.sqlite\"")
              << tb + "user.js=text:" + pref.arg("Broken.description", "\"Broken\"")
              << sources + "g00gle.source=text:[Data Source]\nDisplayName=Google\nEnabled=true\n"
                           "Parent=acct\n\n[Address Book]\nBackendName=google\n"
              << sources + "acct.source=text:[Data Source]\nDisplayName=me@example.org\n"
                           "Enabled=true\n\n[Collection]\nBackendName=google\n"
              << sources + "0ld.source=text:[Data Source]\nDisplayName=Archive\nEnabled=false\n"
                           "\n[Address Book]\nBackendName=local\n";
        placeFiles(home.path(), files, "thunderbird.desktop");
        ImportWindow::writeCards(store.path(), "vera.vcf",
                                 ImportWindow::card("Vera Vcard", "EMAIL:vera@example.org\r\n"));
        modOutLook::setStoreRootForTesting(store.path());
        const auto before = snapshot(home.path());

        Harness h;
        frmContacts* form = ImportWindow::open(h.startWith({}));
        QVERIFY(form);
        QComboBox* books = form->cboBooks;
        QStringList offered;
        for (int i = 0; i < books->count(); ++i)
            offered << books->itemText(i);
        QCOMPARE(offered, QStringList({"Personal Address Book", "Broken", "Work", "Personal",
                                       "Google", "Contacts"}));
        QCOMPARE(books->currentText(), "Personal Address Book");
        QCOMPARE(form->lstContacts->count(), expectedRows("expected_12.tsv").size());

        // Chosen by keys in the list the chooser drops down: (chosen, listed, status).
        const QStringList steps[] = {{"Google", "Gina Google", "Google"},
                                     {"Work", "Carla CardDAV", "Work"},
                                     {"Contacts", "Vera Vcard", "Contacts"},
                                     {"Broken", "", "Personal Address Book"}};
        for (const QStringList& step : steps) {
            MsgBox::clearShown();
            const int from = books->currentIndex(), to = books->findText(step[0]);
            Harness::click(books);
            QTRY_VERIFY(books->view()->isVisible());
            for (int i = from; i != to; i += to > from ? 1 : -1)
                QTest::keyClick(books->view(), to > from ? Qt::Key_Down : Qt::Key_Up);
            QTest::keyClick(books->view(), Qt::Key_Return);
            QCOMPARE(books->currentText(), step[2]);
            QCOMPARE(form->Text4->text(), "Current Outlook folder is '" + step[2] + "'");
            if (step[1].isEmpty()) { // damaged: named, and the default book read instead
                QCOMPARE(MsgBox::shown().size(), 1);
                QVERIFY(MsgBox::shown()[0].text.contains(home.filePath(tb + "abook-3.sqlite")));
                QCOMPARE(form->lstContacts->count(), expectedRows("expected_12.tsv").size());
                continue;
            }
            QCOMPARE(MsgBox::shown().size(), 0);
            QCOMPARE(form->lstContacts->count(), 1);
            QCOMPARE(form->lstContacts->item(0)->text(), step[1]);
            ImportWindow::click(form->lstContacts, 0);
            QCOMPARE(form->Text3a->text(), step[1].section(u' ', 0, 0).toLower() + "@example.org");
            Harness::click(form->cmdAdd2phonebook);
        }
        h.window->Data1->close();
        QCOMPARE(ImportWindow::storedRows(h.folder.file("Quillary.mdb"), false),
                 QStringList({"Gina Google||||||gina@example.org",
                              "Carla CardDAV||||||carla@example.org",
                              "Vera Vcard||||||vera@example.org"}));
        QCOMPARE(snapshot(home.path()), before);
    }
};

QTEST_MAIN(tst_addressbooks)
#include "tst_addressbooks.moc"
