#include "ListDialogsTest.h"
#include "list_dialogs/FileControls.h"
#include "list_dialogs/frmFM.h"
#include "main_window/pList.h"
#include "platform/MsgBox.h"
#include "support/TestFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <memory>

namespace {
QStringList entries(SortedListBox* list) {
    QStringList out;
    for (int i = 0; i < list->listCount(); ++i)
        out << list->list(i);
    return out;
}

QStringList offered(const frmFM& dialog) {
    QStringList out;
    for (int i = 0; i < dialog.File1->listCount(); ++i)
        out << dialog.File1->list(i);
    return out;
}

void select(frmFM& dialog, const QString& name) {
    const int row = offered(dialog).indexOf(name);
    QVERIFY2(row >= 0, qPrintable(name));
    dialog.File1->setListIndex(row);
}
} // namespace

class tst_listchooser : public QObject, ListDialogsFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void offersExactlyTheListsOfTheFolder();
    void reservedNamesAreRefused_data();
    void reservedNamesAreRefused();
    void chosenListBecomesCurrent();
    void chosenListThatStopsOpeningListsNothing_data();
    void chosenListThatStopsOpeningListsNothing();
    void listWithoutContactsSelectsNothing();
    void doubleClickChoosesLikeOk();
    void okWithoutSelectionKeepsTheDialogOpen();
    void fileThatIsNotAListIsRefused_data();
    void fileThatIsNotAListIsRefused();
    void cancelAndCloseBoxChangeNothing_data();
    void cancelAndCloseBoxChangeNothing();
    void switchCommandRenamesAreaCodesBackFirst();

private:
};

void tst_listchooser::init() {
    setUpFolder();
    main = std::make_unique<pList>();
}

void tst_listchooser::cleanup() {
    tearDownFolder();
}

void tst_listchooser::offersExactlyTheListsOfTheFolder() {
    folder->addList(QStringLiteral("Family.mdb"));
    folder->addList(QStringLiteral("club.MDB"));
    folder->write(QStringLiteral("notes.txt"), "x");
    folder->write(QStringLiteral("mdb"), "x");

    frmFM dialog(main.get());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("File Maintenance"));
    QCOMPARE(offered(dialog),
             (QStringList{QStringLiteral("Family.mdb"), QStringLiteral("club.MDB")}));
    QCOMPARE(dialog.Text1->text(), folder->path());
    QCOMPARE(dialog.File1->path(), folder->path());
    QCOMPARE(Globals::applicationFolderPath, folder->path());
    QVERIFY(main->Image2->isHidden());
    QVERIFY(dialog.Drive1->isHidden());
    QVERIFY(dialog.Dir1->isHidden());
    QCOMPARE(dialog.cmdButtons[0]->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.cmdButtons[1]->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog.Label1->text(), QStringLiteral("Select an Available Database"));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
}

void tst_listchooser::reservedNamesAreRefused_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    const QString tail = QStringLiteral("\r\nplease select a phonebook database.");
    const QString tmpl =
        QStringLiteral("This is a template used to create new database files ...") + tail;
    const QString area = QStringLiteral("This is the telephone Area Codes database ...") + tail;
    QTest::newRow("template lower") << "template.mdb" << tmpl;
    QTest::newRow("template upper") << "TEMPLATE.MDB" << tmpl;
    QTest::newRow("template mixed") << "Template.Mdb" << tmpl;
    QTest::newRow("area codes") << "AreaCodes.mdb" << area;
    QTest::newRow("area codes mixed") << "areacodes.MDB" << area;
}

void tst_listchooser::reservedNamesAreRefused() {
    QFETCH(QString, file);
    QFETCH(QString, text);
    openHome();
    folder->addList(file);
    const QByteArray settings = folder->read(QStringLiteral("plist.ini"));

    frmFM dialog(main.get());
    dialog.show();
    select(dialog, file);
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().text, text);
    QVERIFY(!MsgBox::last().title.isNull());
    QCOMPARE(MsgBox::last().title, QString(""));
    QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::Ok);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
    QCOMPARE(folder->read(QStringLiteral("plist.ini")), settings);
    QCOMPARE(main->Data1->databaseName(), folder->file(QStringLiteral("Home.mdb")));
    QCOMPARE(main->List1->listCount(), 2);
}

void tst_listchooser::chosenListBecomesCurrent() {
    openHome();
    folder->addList(QStringLiteral("Family.mdb"));
    folder->addContacts(QStringLiteral("Family.mdb"),
                        {{QStringLiteral("Zed"), QStringLiteral("Zed Inc")},
                         {QStringLiteral("anna"), QStringLiteral("Anna Ltd")},
                         {QString(), QStringLiteral("Nameless Co")}});

    frmFM dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Family.mdb"));
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QVERIFY(MsgBox::shown().isEmpty());
    QCOMPARE(Globals::currentListName, QStringLiteral("Family.mdb"));
    QCOMPARE(rememberedList(), QStringLiteral("Family.mdb"));
    QCOMPARE(main->Data1->databaseName(), folder->file(QStringLiteral("Family.mdb")));
    QCOMPARE(entries(main->List1), (QStringList{QStringLiteral("anna"), QStringLiteral("Zed")}));
    QCOMPARE(main->List1->listIndex(), 0);
    QCOMPARE(main->Text1->text(), QStringLiteral("anna"));
    QCOMPARE(main->Text11->text(), QStringLiteral("Anna Ltd"));
    QCOMPARE(main->Label6->text(), QStringLiteral("Individual Name"));
    QCOMPARE(Globals::listDisplayMode, qint16(1));
    QCOMPARE(main->Label13->text(), QStringLiteral("Family"));
    QCOMPARE(main->Label13->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(main->Label13->font().family(), QStringLiteral("Arial"));
    QCOMPARE(main->Label13->font().pointSizeF(), 12.0);
    QCOMPARE(main->windowTitle(), QStringLiteral("  Family List"));
    // The list left behind keeps its contacts.
    QCOMPARE(contactCount(folder->file(QStringLiteral("Home.mdb"))), 2);
}

void tst_listchooser::chosenListThatStopsOpeningListsNothing_data() {
    QTest::addColumn<bool>("bySave");
    QTest::newRow("refresh") << false;
    QTest::newRow("save changes") << true;
}

// Another program locks the chosen list; the refill after the failed open
// walks no records that the failure closed.
void tst_listchooser::chosenListThatStopsOpeningListsNothing() {
    QFETCH(bool, bySave);
    openHome();
    folder->addList(QStringLiteral("Family.mdb"));
    folder->addContacts(QStringLiteral("Family.mdb"), {{QStringLiteral("Zed")}});
    frmFM dialog(main.get());
    select(dialog, QStringLiteral("Family.mdb"));
    dialog.cmdButtons_Click(0);
    QTest::mouseClick(main->cmdAdd, Qt::LeftButton);
    SQLite::Database other(folder->file(QStringLiteral("Family.mdb")).toStdString(),
                           SQLite::OPEN_READWRITE);
    other.exec("BEGIN EXCLUSIVE");
    if (bySave)
        QTest::mouseClick(main->smdSave, Qt::LeftButton);
    else
        main->Refresh->trigger();
    QCOMPARE(main->List1->listCount(), 0);
    other.exec("ROLLBACK");
    main->Refresh->trigger();
    QCOMPARE(entries(main->List1), QStringList{QStringLiteral("Zed")});
}

void tst_listchooser::listWithoutContactsSelectsNothing() {
    openHome();
    folder->addList(QStringLiteral("Empty.mdb"));
    frmFM dialog(main.get());
    select(dialog, QStringLiteral("Empty.mdb"));
    dialog.cmdButtons_Click(0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(main->List1->listCount(), 0);
    QCOMPARE(main->List1->listIndex(), -1);
    QCOMPARE(Globals::currentListName, QStringLiteral("Empty.mdb"));
    QCOMPARE(main->windowTitle(), QStringLiteral("  Empty List"));
}

void tst_listchooser::doubleClickChoosesLikeOk() {
    folder->addList(QStringLiteral("Family.mdb"));
    folder->addContacts(QStringLiteral("Family.mdb"), {{QStringLiteral("Bea")}});
    frmFM dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Family.mdb"));
    const QRect item = dialog.File1->visualItemRect(dialog.File1->item(0));
    // A double click is a press, a release, then the double-click press.
    QTest::mouseClick(dialog.File1->viewport(), Qt::LeftButton, {}, item.center());
    QTest::mouseDClick(dialog.File1->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Globals::currentListName, QStringLiteral("Family.mdb"));
    QCOMPARE(main->Text1->text(), QStringLiteral("Bea"));
}

void tst_listchooser::okWithoutSelectionKeepsTheDialogOpen() {
    openHome();
    folder->addList(QStringLiteral("Family.mdb"));
    const QByteArray settings = folder->read(QStringLiteral("plist.ini"));
    frmFM dialog(main.get());
    dialog.show();
    QCOMPARE(dialog.File1->fileName(), QString());
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
    QCOMPARE(folder->read(QStringLiteral("plist.ini")), settings);
    QCOMPARE(main->List1->listCount(), 2);
}

void tst_listchooser::fileThatIsNotAListIsRefused_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("text file") << "text";
    QTest::newRow("database without pName2") << "other table";
    QTest::newRow("empty file") << "empty";
}

void tst_listchooser::fileThatIsNotAListIsRefused() {
    QFETCH(QString, kind);
    openHome();
    const QString name = QStringLiteral("x.mdb");
    if (kind == QLatin1String("text")) {
        folder->write(name, "just some words\r\n");
    } else if (kind == QLatin1String("empty")) {
        folder->write(name, "");
    } else {
        SQLite::Database db(folder->file(name).toStdString(),
                            SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE Other (a TEXT)");
    }
    const QByteArray settings = folder->read(QStringLiteral("plist.ini"));

    frmFM dialog(main.get());
    dialog.show();
    select(dialog, name);
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QVERIFY(dialog.isVisible());
    QCOMPARE(MsgBox::shown().size(), 1);
    QVERIFY(MsgBox::last().text.contains(QStringLiteral("not a phonebook list")));
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
    QCOMPARE(folder->read(QStringLiteral("plist.ini")), settings);
    QCOMPARE(main->Data1->databaseName(), folder->file(QStringLiteral("Home.mdb")));
    QCOMPARE(main->List1->listCount(), 2);
    // The old list is still open and usable.
    QCOMPARE(main->Data1->recordset().recordCount(), 2);
}

void tst_listchooser::cancelAndCloseBoxChangeNothing_data() {
    QTest::addColumn<bool>("byCloseBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void tst_listchooser::cancelAndCloseBoxChangeNothing() {
    QFETCH(bool, byCloseBox);
    openHome();
    folder->addList(QStringLiteral("Family.mdb"));
    const QByteArray settings = folder->read(QStringLiteral("plist.ini"));
    const QString title = main->windowTitle();

    ModalDriver driver;
    driver.act = [&](QWidget* w) {
        auto* dialog = qobject_cast<frmFM*>(w);
        QVERIFY(dialog);
        select(*dialog, QStringLiteral("Family.mdb"));
        if (byCloseBox)
            dialog->close();
        else
            QTest::mouseClick(dialog->cmdButtons[1], Qt::LeftButton);
    };
    frmFM::showModal();

    QCOMPARE(driver.seen, QStringList{QStringLiteral("frmFM")});
    QVERIFY(!frmFM::instance());
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
    QCOMPARE(folder->read(QStringLiteral("plist.ini")), settings);
    QCOMPARE(main->Data1->databaseName(), folder->file(QStringLiteral("Home.mdb")));
    QCOMPARE(main->List1->listCount(), 2);
    QCOMPARE(main->windowTitle(), title);
}

void tst_listchooser::switchCommandRenamesAreaCodesBackFirst() {
    openHome();
    QFile::rename(folder->file(QStringLiteral("AreaCodes.dat")),
                  folder->file(QStringLiteral("AreaCodes.mdb")));
    folder->addList(QStringLiteral("Family.mdb"));

    QStringList shownFiles;
    bool closedNameThere = false;
    ModalDriver driver;
    driver.act = [&](QWidget* w) {
        auto* dialog = qobject_cast<frmFM*>(w);
        QVERIFY(dialog);
        QVERIFY(dialog->isModal());
        shownFiles = offered(*dialog);
        closedNameThere = folder->exists(QStringLiteral("AreaCodes.dat"));
        select(*dialog, QStringLiteral("Family.mdb"));
        QTest::mouseClick(dialog->cmdButtons[0], Qt::LeftButton);
    };
    main->DBSwitch->trigger();

    QCOMPARE(driver.seen, QStringList{QStringLiteral("frmFM")});
    QVERIFY(closedNameThere);
    QVERIFY(!folder->exists(QStringLiteral("AreaCodes.mdb")));
    QCOMPARE(shownFiles, (QStringList{QStringLiteral("Family.mdb"), QStringLiteral("Home.mdb")}));
    QCOMPARE(Globals::currentListName, QStringLiteral("Family.mdb"));
    QCOMPARE(main->windowTitle(), QStringLiteral("  Family List"));
}

QTEST_MAIN(tst_listchooser)
#include "tst_listchooser.moc"
