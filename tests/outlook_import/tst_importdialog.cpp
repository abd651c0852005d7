#include "main_window/Globals.h"
#include "main_window/pList.h"
#include "outlook_import/MailStore.h"
#include "outlook_import/frmContacts.h"
#include "outlook_import/modOutLook.h"
#include "platform/MsgBox.h"
#include "platform/SortedListBox.h"
#include "platform/Twips.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>

#include <memory>

using Files = QList<QPair<QString, QByteArray>>;

namespace {

const QString listFile = QStringLiteral("Import.mdb");
const QString folderStatus = QStringLiteral("Current Outlook folder is 'Contacts'");

// One address book card; extra lines go before END.
QByteArray card(const QString& fn, const QByteArray& extra = {}) {
    QByteArray out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    if (!fn.isNull())
        out += "FN:" + fn.toUtf8() + "\r\n";
    return out + extra + "END:VCARD\r\n";
}

QByteArray person(const QString& fn, const QString& email, const QString& city = {}) {
    QByteArray extra;
    if (!email.isEmpty())
        extra += "EMAIL;TYPE=INTERNET:" + email.toUtf8() + "\r\n";
    if (!city.isEmpty())
        extra += "ADR;TYPE=HOME:;;1 Main St;" + city.toUtf8() + ";;;\r\n";
    return card(fn, extra);
}

QByteArray group(const QString& fn) {
    return card(fn, "KIND:group\r\n");
}

QStringList entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QList<int> selectedRows(const QListWidget* list) {
    QList<int> out;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            out << i;
    return out;
}

void click(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    QVERIFY(item);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QStringList detailTexts(const frmContacts* form) {
    return {form->Text1->text(),  form->Text2->text(), form->Text2a->text(),
            form->Text2b->text(), form->Text3->text(), form->Text3a->text()};
}

QStringList mainList() {
    QStringList out;
    SortedListBox* list = pList::instance()->List1;
    for (int i = 0; i < list->listCount(); ++i)
        out << list->list(i);
    return out;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class tst_importdialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listing_data();
    void listing();
    void menuCommandOpensTheDialogLaidOut();
    void secondListingAppends();
    void closedDialogStartsEmpty();
    void details_data();
    void details();
    void matchingIsExactAndCaseSensitive();
    void emailClickMirrorsItsState();
    void clearSelected_data();
    void clearSelected();

    void importAddsSelectedContacts();
    void nothingSelectedStillReports();
    void duplicateKeyStops_data();
    void duplicateKeyStops();
    void noOpenListReportsTheGeneralError();
    void unreachableStoreStillAddsNames();

private:
    // Writes a card file into the store's Personal Folders/Contacts folder.
    void writeCards(const QString& fileName, const QByteArray& cards,
                    const QString& folder = QStringLiteral("Personal Folders/Contacts"));
    void openMainWindow();
    frmContacts* listContacts();
    // Rows of the list file: pName, pAddress, pCity, pState, pZip, pPhone, pEmail,
    // then the unmapped fields joined.
    QList<QStringList> storedRows();
    void selectContacts(const QList<int>& rows);

    std::unique_ptr<QTemporaryDir> m_store;
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<pList> m_main;
};

void tst_importdialog::initTestCase() {
    MsgBox::setScripted(true);
}

void tst_importdialog::init() {
    m_store = std::make_unique<QTemporaryDir>();
    QVERIFY(m_store->isValid());
    modOutLook::setStoreRootForTesting(m_store->path());
    m_folder = std::make_unique<TestFolder>();
    m_folder->addList(listFile);
    Globals::reset();
    MsgBox::clearShown();
}

void tst_importdialog::cleanup() {
    if (frmContacts::loaded())
        frmContacts::loaded()->close();
    flushDeletes();
    QVERIFY(!frmContacts::loaded());
    m_main.reset();
    m_folder.reset();
    m_store.reset();
    modOutLook::setStoreRootForTesting(QString());
}

void tst_importdialog::writeCards(const QString& fileName, const QByteArray& cards,
                                  const QString& folder) {
    const QString dir = m_store->filePath(folder);
    QVERIFY(QDir().mkpath(dir));
    QFile file(dir + u'/' + fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(cards);
}

void tst_importdialog::openMainWindow() {
    m_main = std::make_unique<pList>();
    m_main->showListChooser = [] {};
    m_main->showNewList = [] {};
    Globals::currentListName = listFile;
    m_main->Refresh_Click(0);
    m_main->show();
}

frmContacts* tst_importdialog::listContacts() {
    modOutLook::GetOutlookContacts();
    return frmContacts::loaded();
}

QList<QStringList> tst_importdialog::storedRows() {
    SQLite::Database db(m_folder->file(listFile).toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement q(db, "SELECT pName, pAddress, pCity, pState, pZip, pPhone, pEmail, "
                            "coalesce(CompanyName,'') || coalesce(pAddress2,'') || "
                            "coalesce(pCoPhone,'') || coalesce(pFax,'') || coalesce(pNotes,'') "
                            "FROM pName2 ORDER BY rowid");
    QList<QStringList> out;
    while (q.executeStep()) {
        QStringList row;
        for (int i = 0; i < 8; ++i)
            row << QString::fromStdString(q.getColumn(i).getString());
        out << row;
    }
    return out;
}

void tst_importdialog::selectContacts(const QList<int>& rows) {
    frmContacts* form = frmContacts::loaded();
    QVERIFY(form);
    for (int row : rows)
        click(form->lstContacts, row);
    QCOMPARE(selectedRows(form->lstContacts), rows);
}

void tst_importdialog::listing_data() {
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("emails");
    QTest::addColumn<QString>("status");

    QTest::newRow("no store") << Files{} << QStringList{} << QStringList{} << QString();
    QTest::newRow("no Personal Folders")
        << Files{{"Archive/Contacts/a.vcf", person("Ann", "ann@example.org")}} << QStringList{}
        << QStringList{} << QString();
    QTest::newRow("no Contacts folder")
        << Files{{"Personal Folders/Calendar/a.vcf", person("Ann", "ann@example.org")}}
        << QStringList{} << QStringList{} << QString();
    QTest::newRow("empty folder") << Files{{"Personal Folders/Contacts/notes.txt", "no cards"}}
                                  << QStringList{} << QStringList{} << QString();
    QTest::newRow("files in name order, cards in file order, never sorted")
        << Files{{"Personal Folders/Contacts/b.vcf",
                  person("Zed", "zed@example.org") + person("Amy", "amy@example.org")},
                 {"Personal Folders/Contacts/a.vcf", person("Yvonne", "yv@example.org")}}
        << QStringList{"Yvonne", "Zed", "Amy"}
        << QStringList{"yv@example.org", "zed@example.org", "amy@example.org"} << folderStatus;
    QTest::newRow("group and nameless card skipped, lists stay parallel")
        << Files{{"Personal Folders/Contacts/a.vcf",
                  person("Ann", "ann@example.org") + group("Team") + card(QString()) +
                      person("Bob", QString()) + person("Cid", "cid@example.org")}}
        << QStringList{"Ann", "Bob", "Cid"} << QStringList{"ann@example.org", "", "cid@example.org"}
        << folderStatus;
    QTest::newRow("duplicates both listed")
        << Files{{"Personal Folders/Contacts/a.vcf",
                  person("Ann", "one@example.org") + person("Ann", "two@example.org")}}
        << QStringList{"Ann", "Ann"} << QStringList{"one@example.org", "two@example.org"}
        << folderStatus;
}

void tst_importdialog::listing() {
    QFETCH(Files, files);
    QFETCH(QStringList, names);
    QFETCH(QStringList, emails);
    QFETCH(QString, status);
    for (const auto& [path, data] : files) {
        const QFileInfo info(path);
        writeCards(info.fileName(), data, info.path());
    }
    frmContacts* form = listContacts();
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QCOMPARE(entries(form->lstContacts), names);
    QCOMPARE(entries(form->lstEmail), emails);
    QCOMPARE(form->Text4->text(), status);
    QVERIFY(!modOutLook::isConnected());
}

void tst_importdialog::menuCommandOpensTheDialogLaidOut() {
    writeCards("a.vcf", person("Ann", "ann@example.org"));
    openMainWindow();
    m_main->mnuGetOLC->trigger();
    frmContacts* form = frmContacts::loaded();
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QVERIFY(!form->isModal());
    QCOMPARE(form->parentWidget(), nullptr);
    QCOMPARE(form->windowTitle(), QStringLiteral("OutLook Contacts"));
    QCOMPARE(form->size(), QSize(Twips::toPixels(10110), Twips::toPixels(9720)));
    QCOMPARE(form->lstContacts->geometry(), Twips::rect(938, 540, 3015, 7080));
    QCOMPARE(form->Text2b->geometry(), Twips::rect(4598, 8250, 1335, 345));
    QCOMPARE(form->cmdAdd2phonebook->parentWidget(), form->Picture1);
    QCOMPARE(form->cmdAdd2phonebook->text(), QStringLiteral("Add Selected"));
    QCOMPARE(form->cmdClear[0]->text(), QStringLiteral("Clear Selected"));
    QCOMPARE(form->cmdClear[1]->geometry(), Twips::rect(7710, 270, 1545, 285));
    QCOMPARE(form->lstContacts->selectionMode(), QAbstractItemView::MultiSelection);
    QCOMPARE(entries(form->lstContacts), QStringList{"Ann"});
}

void tst_importdialog::secondListingAppends() {
    writeCards("a.vcf", person("Ann", "ann@example.org") + person("Bob", "bob@example.org"));
    frmContacts* form = listContacts();
    QVERIFY(form);
    QCOMPARE(listContacts(), form);
    QCOMPARE(entries(form->lstContacts), (QStringList{"Ann", "Bob", "Ann", "Bob"}));
    QCOMPARE(entries(form->lstEmail), (QStringList{"ann@example.org", "bob@example.org",
                                                   "ann@example.org", "bob@example.org"}));
}

void tst_importdialog::closedDialogStartsEmpty() {
    writeCards("a.vcf", person("Ann", "ann@example.org"));
    frmContacts* form = listContacts();
    QVERIFY(form);
    form->Text1->setText("typed");
    QVERIFY(form->close());
    flushDeletes();
    QVERIFY(!frmContacts::loaded());
    form = listContacts();
    QCOMPARE(entries(form->lstContacts), QStringList{"Ann"});
    QCOMPARE(form->Text1->text(), QString());
}

void tst_importdialog::details_data() {
    QTest::addColumn<QByteArray>("cards");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("expected");

    const QByteArray full = card("Ann Lee", "ADR;TYPE=HOME:;;12 High St;Springfield;IL;62701;\r\n"
                                            "TEL;TYPE=HOME:555-0100\r\n"
                                            "TEL;TYPE=WORK:555-0199\r\n"
                                            "EMAIL:ann@example.org\r\n");
    QTest::newRow("all values") << full << 0
                                << QStringList{"12 High St", "Springfield", "IL",
                                               "62701",      "555-0100",    "ann@example.org"};
    QTest::newRow("nothing but a name") << card("Bob") << 0 << QStringList{"", "", "", "", "", ""};
    QTest::newRow("street only") << card("Cid", "ADR:;;9 Low Rd;;;;\r\n") << 0
                                 << QStringList{"9 Low Rd", "", "", "", "", ""};
    QTest::newRow("same name: the later card wins, from either entry")
        << person("Ann", "first@example.org", "Austin") + person("Bob", "bob@example.org") +
               person("Ann", "second@example.org", "Boston")
        << 0 << QStringList{"1 Main St", "Boston", "", "", "", "second@example.org"};
    QTest::newRow("group of the same name is no contact")
        << person("Team", "team@example.org", "Austin") + group("Team") << 0
        << QStringList{"1 Main St", "Austin", "", "", "", "team@example.org"};
}

void tst_importdialog::details() {
    QFETCH(QByteArray, cards);
    QFETCH(int, row);
    QFETCH(QStringList, expected);
    writeCards("a.vcf", cards);
    frmContacts* form = listContacts();
    QVERIFY(form);
    for (QLineEdit* field :
         {form->Text1, form->Text2, form->Text2a, form->Text2b, form->Text3, form->Text3a})
        field->setText("typed by the user");
    click(form->lstContacts, row);
    QCOMPARE(detailTexts(form), expected);
    QCOMPARE(selectedRows(form->lstContacts), QList<int>{row});
    QVERIFY(selectedRows(form->lstEmail).isEmpty());
}

void tst_importdialog::matchingIsExactAndCaseSensitive() {
    writeCards("a.vcf", person("Ann", "ann@example.org", "Austin"));
    frmContacts* form = listContacts();
    QVERIFY(form);
    for (const QString& name : {QStringLiteral("ann"), QStringLiteral("Ann "), QString()}) {
        form->Text2->setText("typed");
        modOutLook::DisplayContactDetails(name);
        QCOMPARE(detailTexts(form), QStringList(6, QString()));
    }
    modOutLook::DisplayContactDetails("Ann");
    QCOMPARE(form->Text2->text(), QStringLiteral("Austin"));
}

void tst_importdialog::emailClickMirrorsItsState() {
    writeCards("a.vcf", person("Ann", "ann@example.org") + person("Bob", "bob@example.org"));
    frmContacts* form = listContacts();
    QVERIFY(form);
    click(form->lstEmail, 1);
    QCOMPARE(selectedRows(form->lstEmail), QList<int>{1});
    QCOMPARE(selectedRows(form->lstContacts), QList<int>{1});
    // The contact's details are shown only by clicking the contact itself.
    QCOMPARE(detailTexts(form), QStringList(6, QString()));
    click(form->lstEmail, 1);
    QVERIFY(selectedRows(form->lstEmail).isEmpty());
    QVERIFY(selectedRows(form->lstContacts).isEmpty());
}

void tst_importdialog::clearSelected_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("contacts") << 0;
    QTest::newRow("e-mail addresses") << 1;
}

void tst_importdialog::clearSelected() {
    QFETCH(int, button);
    writeCards("a.vcf", person("Ann", "a@example.org") + person("Bob", "b@example.org") +
                            person("Cid", "c@example.org"));
    frmContacts* form = listContacts();
    QVERIFY(form);
    click(form->lstContacts, 0);
    click(form->lstContacts, 2);
    // Clicking an address selects its contact too; unselect that contact again
    // so each list holds its own selection.
    click(form->lstEmail, 1);
    click(form->lstContacts, 1);
    QCOMPARE(selectedRows(form->lstContacts), (QList<int>{0, 2}));
    QCOMPARE(selectedRows(form->lstEmail), QList<int>{1});

    QTest::mouseClick(form->cmdClear[size_t(button)], Qt::LeftButton);
    const QList<int> contactsLeft = button == 0 ? QList<int>{} : QList<int>{0, 2};
    const QList<int> emailsLeft = button == 1 ? QList<int>{} : QList<int>{1};
    QCOMPARE(selectedRows(form->lstContacts), contactsLeft);
    QCOMPARE(selectedRows(form->lstEmail), emailsLeft);
    QCOMPARE(form->lstContacts->count(), 3);
    QCOMPARE(form->lstEmail->count(), 3);
    form->cmdClear_Click(2);
    QCOMPARE(selectedRows(form->lstContacts), contactsLeft);
}

void tst_importdialog::importAddsSelectedContacts() {
    m_folder->addContacts(listFile, {{"Zoe", "Zoe Corp"}});
    writeCards("a.vcf", card("Ann Lee", "ADR;TYPE=HOME:;;12 High St;Springfield;IL;62701;\r\n"
                                        "TEL;TYPE=HOME:555-0100\r\nEMAIL:ann@example.org\r\n"
                                        "ORG:Lee Ltd\r\nNOTE:not copied\r\n") +
                            person("Bob", "bob@example.org") + card("Cid"));
    openMainWindow();
    // Choosing an entry narrows the main window's records to that contact;
    // the import adds to the whole list all the same.
    m_main->List1->setListIndex(0);
    QCOMPARE(m_main->Text1->text(), QStringLiteral("Zoe"));
    frmContacts* form = listContacts();
    QVERIFY(form);
    selectContacts({0, 2});
    // Text typed into the details is replaced by the address book's values.
    form->Text1->setText("typed street");
    form->Text3a->setText("typed@example.org");

    QTest::mouseClick(form->cmdAdd2phonebook, Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().text, QStringLiteral("All selected contacts were added!"));
    QCOMPARE(MsgBox::last().title, QStringLiteral("Contacts Added"));
    QCOMPARE(MsgBox::last().icon, MsgBox::Icon::Information);
    QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::Ok);
    const QList<QStringList> expected = {
        {"Zoe", "", "", "", "", "", "", "Zoe Corp"},
        {"Ann Lee", "12 High St", "Springfield", "IL", "62701", "555-0100", "ann@example.org", ""},
        {"Cid", "", "", "", "", "", "", ""},
    };
    QCOMPARE(storedRows(), expected);
    QVERIFY(selectedRows(form->lstContacts).isEmpty());
    QCOMPARE(mainList(), (QStringList{"Ann Lee", "Cid", "Zoe"}));
    QVERIFY(form->isVisible());
}

void tst_importdialog::nothingSelectedStillReports() {
    writeCards("a.vcf", person("Ann", "ann@example.org"));
    openMainWindow();
    frmContacts* form = listContacts();
    QVERIFY(form);
    click(form->lstEmail, 0);
    click(form->lstContacts, 0); // the contact unselected again; its address stays selected
    QTest::mouseClick(form->cmdAdd2phonebook, Qt::LeftButton);
    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().text, QStringLiteral("All selected contacts were added!"));
    QVERIFY(storedRows().isEmpty());
    QVERIFY(mainList().isEmpty());
}

void tst_importdialog::duplicateKeyStops_data() {
    QTest::addColumn<QList<int>>("select");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QList<int>>("stillSelected");

    // Listed: Ann, Bob (already in the list), Cid, Dee.
    QTest::newRow("half-way") << QList<int>{0, 1, 3} << QStringList{"Bob", "Ann"}
                              << QList<int>{1, 3};
    QTest::newRow("first selected") << QList<int>{1, 2} << QStringList{"Bob"} << QList<int>{1, 2};
}

void tst_importdialog::duplicateKeyStops() {
    QFETCH(QList<int>, select);
    QFETCH(QStringList, stored);
    QFETCH(QList<int>, stillSelected);
    m_folder->addContacts(listFile, {{"Bob"}});
    {
        SQLite::Database db(m_folder->file(listFile).toStdString(), SQLite::OPEN_READWRITE);
        db.exec("CREATE UNIQUE INDEX pName2_unique ON pName2(pName)");
    }
    writeCards("a.vcf", person("Ann", "a@example.org") + person("Bob", "b@example.org") +
                            person("Cid", "c@example.org") + person("Dee", "d@example.org"));
    openMainWindow();
    frmContacts* form = listContacts();
    QVERIFY(form);
    selectContacts(select);

    form->cmdAdd2phonebook_Click();

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().text, QStringLiteral("Contact already exists in the Phonebook!"));
    QCOMPARE(MsgBox::last().title, QStringLiteral("Contact Exists"));
    QCOMPARE(MsgBox::last().icon, MsgBox::Icon::Exclamation);
    QStringList names;
    for (const QStringList& row : storedRows())
        names << row.first();
    QCOMPARE(names, stored);
    QCOMPARE(selectedRows(form->lstContacts), stillSelected);
    // Not refreshed: the main window still lists what it listed before.
    QCOMPARE(mainList(), QStringList{"Bob"});

    // The refused record is gone for good: the main window's next store point
    // does not store it.
    MsgBox::clearShown();
    m_main->Refresh_Click(0);
    QVERIFY(MsgBox::shown().isEmpty());
    QCOMPARE(storedRows().size(), stored.size());
    stored.sort();
    QCOMPARE(mainList(), stored);
}

void tst_importdialog::noOpenListReportsTheGeneralError() {
    writeCards("a.vcf", person("Ann", "ann@example.org"));
    m_main = std::make_unique<pList>();
    Globals::currentListName = QStringLiteral("Missing.mdb");
    m_main->Refresh_Click(0);
    frmContacts* form = listContacts();
    QVERIFY(form);
    selectContacts({0});
    form->cmdAdd2phonebook_Click();
    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().text,
             QStringLiteral("An error occured while trying to perform the previous\r\n"
                            "operation.Cannot add items to the Phonebook now."));
    QCOMPARE(MsgBox::last().title, QStringLiteral("Error Occured"));
    QCOMPARE(MsgBox::last().icon, MsgBox::Icon::Critical);
    QCOMPARE(selectedRows(form->lstContacts), QList<int>{0});
}

void tst_importdialog::unreachableStoreStillAddsNames() {
    writeCards("a.vcf", person("Ann", "ann@example.org", "Austin"));
    openMainWindow();
    frmContacts* form = listContacts();
    QVERIFY(form);
    selectContacts({0});
    QVERIFY(QDir(m_store->filePath("Personal Folders")).removeRecursively());
    form->cmdAdd2phonebook_Click();
    QCOMPARE(MsgBox::last().text, QStringLiteral("All selected contacts were added!"));
    QCOMPARE(storedRows(), (QList<QStringList>{{"Ann", "", "", "", "", "", "", ""}}));
    QCOMPARE(mainList(), QStringList{"Ann"});
}

QTEST_MAIN(tst_importdialog)
#include "tst_importdialog.moc"
