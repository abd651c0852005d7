// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ImportWindow.h"
#include "vcard/VCardReader.h"

#include <sys/stat.h>

using Files = QList<QPair<QString, QByteArray>>;
using namespace ImportWindow;

namespace {

const QString listFile = QStringLiteral("Import.mdb");
const QString contactsFolder = QStringLiteral("Personal Folders/Contacts");

QByteArray person(const QString& fn, const QString& email, const QString& city = {}) {
    QByteArray extra;
    if (!email.isEmpty())
        extra += "EMAIL;TYPE=INTERNET:" + email.toUtf8() + "\r\n";
    if (!city.isEmpty())
        extra += "ADR;TYPE=HOME:;;1 Main St;" + city.toUtf8() + ";;;\r\n";
    return card(fn, extra);
}

// Each entry of the contact list with the address beside it, as "name|address".
QStringList entries(const frmContacts* form) {
    QStringList out;
    for (int i = 0; i < std::max(form->lstContacts->count(), form->lstEmail->count()); ++i)
        out << form->lstContacts->item(i)->text() + u'|' + form->lstEmail->item(i)->text();
    return out;
}

bool setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(when, QFileDevice::FileModificationTime);
}

QList<int> selectedRows(const QListWidget* list) {
    QList<int> out;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            out << i;
    return out;
}

} // namespace

class tst_importdialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        setHome(m_home.path()); // without mail programs: the vCard folder is the address book
    }
    void init() {
        m_store = std::make_unique<QTemporaryDir>();
        modOutLook::setStoreRootForTesting(m_store->path());
        m_h = std::make_unique<Harness>();
        m_h->folder.addList(listFile);
    }
    void cleanup() {
        ImportWindow::close();
        m_h.reset();
        m_store.reset();
    }

    // files: paths under the mail store and what they hold ("<pipe>", "<link to
    // /dev/zero>", "<too large>" make such files); listed: "name|address" per entry
    void listing_data() {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("folder");

        const auto in = [](const QString& name, const QByteArray& data) {
            return QPair<QString, QByteArray>(contactsFolder + u'/' + name, data);
        };
        QTest::newRow("no Personal Folders")
            << Files{{"Archive/Contacts/a.vcf", person("Ann", "a@example.org")}} << QStringList{}
            << QString();
        QTest::newRow("files in name order, cards in file order, never sorted")
            << Files{in("b.vcf", person("Zed", "z@example.org") + person("Amy", "amy@example.org")),
                     in("A.VCF", person("Yvonne", "y@example.org")),
                     in("c.vcf.txt", person("Not", "read")),
                     in("d.vcf/e.vcf", person("Not", "either"))}
            << QStringList{"Yvonne|y@example.org", "Zed|z@example.org", "Amy|amy@example.org"}
            << "Contacts";
        QTest::newRow("folder names in another case; the first store's is the default")
            << Files{{"archive/contacts/notes.txt", "no cards"},
                     {"personal folders/CONTACTS/a.vcf", person("Ann", "a@example.org")}}
            << QStringList{"Ann|a@example.org"} << "contacts";
        QTest::newRow("group and nameless card skipped, lists stay parallel, same names kept")
            << Files{in("a.vcf", person("Ann", "a@example.org") + card("Team", "KIND:group\r\n") +
                                     card(QString()) + person("Bob", QString()) +
                                     card("Ann", "EMAIL:mailto:ann@example.com\r\n"))}
            << QStringList{"Ann|a@example.org", "Bob|", "Ann|ann@example.com"} << "Contacts";
        QTest::newRow("files that are no address book cost only themselves")
            << Files{in("a.vcf", person("Ann", "a@example.org")), in("b1.vcf", "<pipe>"),
                     in("b2.vcf", "<link to /dev/zero>"), in("b3.vcf", "<too large>"),
                     in("c.vcf", person("Cid", "c@example.org"))}
            << QStringList{"Ann|a@example.org", "Cid|c@example.org"} << "Contacts";
    }
    void listing() {
        QFETCH(Files, files);
        QFETCH(QStringList, listed);
        QFETCH(QString, folder);
        for (const auto& [path, data] : files) {
            const QString file = m_store->filePath(path);
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            if (data == "<pipe>") {
                QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
            } else if (data == "<link to /dev/zero>") {
                QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
            } else {
                QFile out(file);
                QVERIFY(out.open(QIODevice::WriteOnly) && out.write(data) == data.size());
                if (data == "<too large>") // sparse: it takes no room
                    QVERIFY(out.write(card("Large")) && out.resize(VCardReader::MaxFileSize + 1));
            }
        }
        openMainWindow();
        frmContacts* form = ImportWindow::open(*m_h->window);
        QVERIFY(form);
        QVERIFY(!form->isModal());
        QCOMPARE(form->windowTitle(), QStringLiteral("OutLook Contacts"));
        QCOMPARE(entries(form), listed);
        QCOMPARE(form->Text4->text(),
                 folder.isEmpty() ? QString()
                                  : QStringLiteral("Current Outlook folder is '%1'").arg(folder));
    }
    // The window closed (or kept open), the folder changed, the contacts listed
    // again: a.vcf held Ann and b.vcf Bea and Bob before.
    void changedFiles_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("nothing") << "none" << QStringList{"Ann", "Bea", "Bob"};
        QTest::newRow("window kept open: listed twice")
            << "keep open" << QStringList{"Ann", "Bea", "Bob", "Ann", "Bea", "Bob"};
        QTest::newRow("same size, newer time") << "touch" << QStringList{"Ann", "Bee", "Bob"};
        QTest::newRow("file added first") << "add" << QStringList{"Aaron", "Ann", "Bea", "Bob"};
        QTest::newRow("file removed") << "remove" << QStringList{"Bea", "Bob"};
        QTest::newRow("file renamed") << "rename" << QStringList{"Bea", "Bob", "Ann"};
        QTest::newRow("file emptied") << "empty" << QStringList{"Ann"};
    }
    void changedFiles() {
        QFETCH(QString, change);
        const QString dir = m_store->filePath(contactsFolder) + u'/';
        writeCards("a.vcf", card("Ann"));
        writeCards("b.vcf", card("Bea") + card("Bob"));
        const QDateTime past = QDateTime::currentDateTime().addSecs(-3600);
        QVERIFY(setModified(dir + "a.vcf", past) && setModified(dir + "b.vcf", past));
        QVERIFY(listContacts());
        frmContacts::loaded()->Text1->setText("typed");
        if (change != "keep open")
            frmContacts::loaded()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (change == "touch") {
            writeCards("b.vcf", card("Bee") + card("Bob"));
            QVERIFY(setModified(dir + "b.vcf", past.addSecs(60)));
        } else if (change == "add") {
            writeCards("0.vcf", card("Aaron"));
        } else if (change == "remove") {
            QVERIFY(QFile::remove(dir + "a.vcf"));
        } else if (change == "rename") {
            QVERIFY(QFile::rename(dir + "a.vcf", dir + "z.vcf"));
        } else if (change == "empty") {
            writeCards("b.vcf", QByteArray());
        }
        QTEST(listContacts() ? entries(frmContacts::loaded()).replaceInStrings("|", "")
                             : QStringList(),
              "names");
    }
    // rewrite: what a.vcf holds once listed, before the click (empty: unchanged)
    void details_data() {
        QTest::addColumn<QByteArray>("cards");
        QTest::addColumn<QByteArray>("rewrite");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("expected");

        const QByteArray twoJohns = person("John Smith", "first@example.org", "Austin") +
                                    person("Bob", "bob@example.org") +
                                    person("John Smith", "second@example.org", "Boston");
        const auto row = [](const char* tag, const QByteArray& cards, const QByteArray& rewrite,
                            int at, const QString& city, const QString& email) {
            QTest::newRow(tag) << cards << rewrite << at
                               << (city.isNull()
                                       ? QStringList(6, QString())
                                       : QStringList{"1 Main St", city, "", "", "", email});
        };
        row("same name, first entry", twoJohns, {}, 0, "Austin", "first@example.org");
        row("same name, second entry", twoJohns, {}, 2, "Boston", "second@example.org");
        row("group of the same name is no contact",
            person("Team", "team@example.org", "Austin") + card("Team", "KIND:group\r\n"), {}, 0,
            "Austin", "team@example.org");
        row("card edited since the listing", person("Ann", "ann@example.org", "Austin"),
            person("Ann", "ann@example.org", "Dallas Fort Worth"), 0, "Dallas Fort Worth",
            "ann@example.org");
        row("card moved since the listing: found by name",
            person("Ann", "a@example.org", "Austin") + person("Bob", "b@example.org", "Boston"),
            person("Bob", "b@example.org", "Boston"), 1, "Boston", "b@example.org");
        row("renamed since the listing: names match exactly",
            person("Ann", "a@example.org", "Austin") + person("Bob", "b@example.org"),
            person("ann", "a@example.org", "Austin") + person("Bob", "b@example.org"), 0, {}, {});
    }
    void details() {
        QFETCH(QByteArray, cards);
        QFETCH(QByteArray, rewrite);
        QFETCH(int, row);
        writeCards("a.vcf", cards);
        frmContacts* form = listContacts();
        QVERIFY(form);
        if (!rewrite.isEmpty()) {
            writeCards("a.vcf", rewrite);
            QVERIFY(setModified(m_store->filePath(contactsFolder + "/a.vcf"),
                                QDateTime::currentDateTime().addSecs(60)));
        }
        for (QLineEdit* field :
             {form->Text1, form->Text2, form->Text2a, form->Text2b, form->Text3, form->Text3a})
            field->setText("typed by the user");
        click(form->lstContacts, row);
        QTEST(detailTexts(form), "expected");
        QCOMPARE(selectedRows(form->lstContacts), QList<int>{row});
        QVERIFY(selectedRows(form->lstEmail).isEmpty());
    }
    // clicks: "c<row>" clicks a contact, "e<row>" an address, "clear<n>" a
    // "Clear Selected" button; then the selected rows of both lists.
    void selections_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QList<int>>("contacts");
        QTest::addColumn<QList<int>>("emails");
        QTest::newRow("address click selects its contact")
            << QStringList{"e1"} << QList<int>{1} << QList<int>{1};
        QTest::newRow("second address click unselects it")
            << QStringList{"e1", "e1"} << QList<int>{} << QList<int>{};
        const QStringList mixed{"c0", "c2", "e1", "c1"};
        QTest::newRow("each list its own selection") << mixed << QList<int>{0, 2} << QList<int>{1};
        QTest::newRow("clear contacts")
            << mixed + QStringList{"clear0"} << QList<int>{} << QList<int>{1};
        QTest::newRow("clear addresses")
            << mixed + QStringList{"clear1"} << QList<int>{0, 2} << QList<int>{};
    }
    void selections() {
        QFETCH(QStringList, clicks);
        writeCards("a.vcf", person("Ann", "a@example.org") + person("Bob", "b@example.org") +
                                person("Cid", "c@example.org"));
        frmContacts* form = listContacts();
        QVERIFY(form);
        for (const QString& c : clicks) {
            if (c.startsWith("clear")) {
                Harness::click(form->cmdClear[c.mid(5).toUInt()]);
            } else {
                click(c[0] == u'c' ? form->lstContacts : form->lstEmail, c.mid(1).toInt());
            }
        }
        QTEST(selectedRows(form->lstContacts), "contacts");
        QTEST(selectedRows(form->lstEmail), "emails");
        if (!clicks.contains("c1")) // the details are shown only by clicking a contact
            QCOMPARE(detailTexts(form), QStringList(6, QString()));
    }

    // situation: "unique" puts a unique key on the names, "store gone" removes
    // the address book before the import, "no list" opens none; the list holds Bob
    // before; stored: each row's seven listed fields, then the others joined.
    void import_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QList<int>>("select");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QList<int>>("stillSelected");
        const QString bob = "Bob|||||||";
        const QString john =
            "John Smith|12 High St|Springfield|IL|62701|555-0100|john@example.org|Lee Ltda note";
        QTest::newRow("nothing selected")
            << "" << QList<int>{} << "Contacts Added" << QStringList{bob} << QList<int>{};
        QTest::newRow("two of one name, each with its own details")
            << "" << QList<int>{0, 2} << "Contacts Added"
            << QStringList{bob, john, "John Smith|||||555-0199|other@example.org|"} << QList<int>{};
        QTest::newRow("address book gone: names only")
            << "store gone" << QList<int>{0, 3} << "Contacts Added"
            << QStringList{bob, "John Smith|||||||", "Dee|||||||"} << QList<int>{};
        QTest::newRow("no list open")
            << "no list" << QList<int>{0} << "Error Occured" << QStringList{bob} << QList<int>{0};
        QTest::newRow("duplicate half-way") << "unique" << QList<int>{0, 1, 3} << "Contact Exists"
                                            << QStringList{bob, john} << QList<int>{1, 3};
        QTest::newRow("duplicate first") << "unique" << QList<int>{1, 3} << "Contact Exists"
                                         << QStringList{bob} << QList<int>{1, 3};
    }
    void import() {
        QFETCH(QString, situation);
        QFETCH(QList<int>, select);
        QFETCH(QString, title);
        QFETCH(QStringList, stored);
        m_h->folder.addContacts(listFile, {{"Bob"}});
        if (situation == "unique")
            m_h->exec(listFile, "CREATE UNIQUE INDEX pName2_unique ON pName2(pName)");
        writeCards("a.vcf",
                   card("John Smith", "ADR;TYPE=HOME:;;12 High St;Springfield;IL;62701;\r\n"
                                      "TEL;TYPE=HOME:555-0100\r\nEMAIL:mailto:john@example.org\r\n"
                                      "ORG:Lee Ltd\r\nNOTE:a note\r\n") +
                       person("Bob", "b@example.org") +
                       card("John Smith", "EMAIL:other@example.org\r\nTEL;TYPE=HOME:555-0199\r\n") +
                       person("Dee", "d@example.org"));
        openMainWindow(situation == "no list" ? QStringLiteral("Missing.mdb") : listFile);
        // Choosing an entry narrows the main window's records to that contact;
        // the import adds to the whole list all the same.
        m_h->window->List1->setListIndex(0);
        frmContacts* form = listContacts();
        QVERIFY(form);
        click(form->lstEmail, 1); // an address selected plays no part
        click(form->lstContacts, 1);
        click(form->lstContacts, 0);
        click(form->lstContacts, 0);
        QCOMPARE(detailTexts(form).join(u'|'),
                 QStringLiteral("12 High St|Springfield|IL|62701|555-0100|john@example.org"));
        form->Text1->setText("typed"); // replaced by the address book's values
        for (int row : select)
            click(form->lstContacts, row);
        QCOMPARE(selectedRows(form->lstContacts), select);
        if (situation == "store gone")
            QVERIFY(QDir(m_store->filePath("Personal Folders")).removeRecursively());
        addSelected();
        const QHash<QString, QPair<QString, MsgBox::Icon>> boxes{
            {"Contacts Added", {"All selected contacts were added!", MsgBox::Icon::Information}},
            {"Contact Exists",
             {"Contact already exists in the Phonebook!", MsgBox::Icon::Exclamation}},
            {"Error Occured",
             {"An error occured while trying to perform the previous\r\n"
              "operation.Cannot add items to the Phonebook now.",
              MsgBox::Icon::Critical}}};
        QCOMPARE(MsgBox::shown().size(), 1);
        QCOMPARE(MsgBox::last().title, title);
        QCOMPARE(MsgBox::last().text, boxes[title].first);
        QCOMPARE(MsgBox::last().icon, boxes[title].second);
        QCOMPARE(storedRows(), stored);
        QTEST(selectedRows(form->lstContacts), "stillSelected");
        if (situation == "no list")
            return;
        // After a failure the main window is not refreshed; its next store point
        // does not store the refused record.
        QStringList names;
        for (const QString& row : stored)
            names << row.section(u'|', 0, 0);
        names.sort();
        QCOMPARE(m_h->entries(), title == "Contact Exists" ? QStringList{"Bob"} : names);
        MsgBox::clearShown();
        m_h->window->Refresh_Click(0);
        QVERIFY(MsgBox::shown().isEmpty());
        QCOMPARE(m_h->entries(), names);
    }
    // Listing or adding thousands of contacts shows the busy pointer and, once the
    // work has run a while (here: at once), a progress window; a few contacts show
    // neither window. Afterwards both are gone and the contacts are there.
    void longWorkShowsProgress_data() {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<int>("contacts");
        QTest::addColumn<bool>("progressShown");
        QTest::newRow("listing thousands") << false << 2100 << true;
        QTest::newRow("listing a few") << false << 30 << false;
        QTest::newRow("adding thousands") << true << 2100 << true;
        QTest::newRow("adding a few") << true << 30 << false;
    }
    void longWorkShowsProgress() {
        QFETCH(bool, adding);
        QFETCH(int, contacts);
        QFETCH(bool, progressShown);
        // One file per contact for listing, one file of them all for adding.
        QByteArray all;
        for (int i = 0; i < contacts; ++i)
            adding
                ? void(all += card("Contact"))
                : writeCards(QStringLiteral("c%1.vcf").arg(i, 5, 10, QChar(u'0')), card("Contact"));
        writeCards("all.vcf", all);
        openMainWindow();
        frmContacts* form = adding ? listContacts() : nullptr;
        if (adding)
            form->lstContacts->selectAll();
        ProgressWatch watch;
        if (adding)
            addSelected();
        else
            form = listContacts();
        QCOMPARE(watch.shown, progressShown);
        QCOMPARE(watch.busyPointer, progressShown);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(form->lstContacts->count(), contacts);
        QCOMPARE(storedRows().size(), adding ? contacts : 0);
    }

private:
    void writeCards(const QString& fileName, const QByteArray& cards) {
        ImportWindow::writeCards(m_store->path(), fileName, cards);
    }
    void openMainWindow(const QString& list = listFile) {
        m_h->window = std::make_unique<pList>();
        m_h->window->showListChooser = [] {};
        m_h->window->showNewList = [] {};
        m_h->window->globals().currentListName = list;
        m_h->window->Refresh_Click(0);
        m_h->window->show();
    }
    frmContacts* listContacts() {
        modOutLook::GetOutlookContacts();
        frmContacts* form = frmContacts::loaded();
        return form && QTest::qWaitForWindowExposed(form) ? form : nullptr;
    }
    QStringList storedRows() { return ImportWindow::storedRows(m_h->folder.file(listFile), true); }
    void addSelected() { Harness::click(frmContacts::loaded()->cmdAdd2phonebook); }

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_store;
    std::unique_ptr<Harness> m_h;
};

QTEST_MAIN(tst_importdialog)
#include "tst_importdialog.moc"
