#include "ListDialogsTest.h"
#include "list_dialogs/NewDB.h"
#include "main_window/pList.h"
#include "platform/MsgBox.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

class tst_newlist : public QObject, ListDialogsFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layoutAsDesigned();
    void emptyNameDoesNothing();
    void nameBecomesTheNewCurrentList_data();
    void nameBecomesTheNewCurrentList();
    void badNamesAreRefused_data();
    void badNamesAreRefused();
    void existingListIsReplacedOnlyOnYes_data();
    void existingListIsReplacedOnlyOnYes();
    void openListCannotBeReplaced();
    void missingTemplateIsReported();
    void unusableTemplateLeavesTheOldListCurrent();
    void cancelChangesNothing();
    void createCommandShowsTheDialogModally();

private:
    QStringList folderFiles() const { return FileSystem::files(folder->path()); }
};

void tst_newlist::init() {
    setUpFolder();
    main = std::make_unique<pList>();
}

void tst_newlist::cleanup() {
    tearDownFolder();
}

void tst_newlist::layoutAsDesigned() {
    NewDB dialog(main.get());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("  Make a new List"));
    QCOMPARE(dialog.Label1->text(), QStringLiteral("Type a Name for the new list"));
    QVERIFY(dialog.Label2->text().startsWith(
        QStringLiteral("The first character must be a letter (A-Z).")));
    QVERIFY(dialog.Frame1->isHidden());
    QCOMPARE(dialog.Frame1->title(), QStringLiteral("Create new List in:"));
    QCOMPARE(dialog.Text1->text(), QString());
    QCOMPARE(dialog.cmdButtons[0]->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.cmdButtons[1]->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
}

void tst_newlist::emptyNameDoesNothing() {
    openHome();
    const QStringList before = folderFiles();
    NewDB dialog(main.get());
    dialog.show();
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QVERIFY(MsgBox::shown().isEmpty());
    QCOMPARE(folderFiles(), before);
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
}

void tst_newlist::nameBecomesTheNewCurrentList_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << "Friends"
                           << "Friends.mdb";
    QTest::newRow("with blanks") << "Work Mates 2"
                                 << "Work Mates 2.mdb";
    QTest::newRow("own extension") << "Club.mdb"
                                   << "Club.mdb";
    QTest::newRow("extension upper case") << "Club.MDB"
                                          << "Club.MDB";
    QTest::newRow("non-ASCII letters") << QStringLiteral("Müller") << QStringLiteral("Müller.mdb");
}

void tst_newlist::nameBecomesTheNewCurrentList() {
    QFETCH(QString, typed);
    QFETCH(QString, file);
    openHome();
    NewDB dialog(main.get());
    dialog.show();
    // Typed where the test keyboard has the keys.
    bool ascii = true;
    for (const QChar c : typed)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(dialog.Text1, typed);
    else
        dialog.Text1->insert(typed);
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QVERIFY(MsgBox::shown().isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QVERIFY(folder->exists(file));
    QCOMPARE(contactCount(folder->file(file)), 0);
    QCOMPARE(main->Data1->databaseName(), folder->file(file));
    QCOMPARE(Globals::currentListName, file);
    QCOMPARE(rememberedList(), file);
    QCOMPARE(Globals::templateFolder, folder->path());
    QCOMPARE(Globals::applicationFolderPath, folder->path());
    QCOMPARE(main->List1->listCount(), 0);
    QCOMPARE(main->Label13->text(), file);
    QCOMPARE(contactCount(folder->file(QStringLiteral("Home.mdb"))), 2);
}

void tst_newlist::badNamesAreRefused_data() {
    QTest::addColumn<QString>("typed");
    for (const char* name : {"a?b",          "a|b",       "a*b",           "a:b",      "a\"b",
                             "a<b",          "a>b",       "a/b",           "a\\b",     "../Escaped",
                             "..",           "Tab\tName", "Bell\x07",      "Template", "TEMPLATE",
                             "template.mdb", "AreaCodes", "areacodes.MDB", ".mdb",     " ",
                             ".hidden",      "trailing.", "trailing ",     "con",      "LPT1.mdb"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_newlist::badNamesAreRefused() {
    QFETCH(QString, typed);
    openHome();
    const QStringList before = folderFiles();
    // Other programs (tests running beside this one) may change the parent folder;
    // only the escaped names matter.
    const QStringList escaped = {QStringLiteral("Escaped.mdb"), QStringLiteral("Escaped")};
    const auto escapedPresent = [&] {
        QStringList found;
        for (const QString& name : escaped)
            if (QFileInfo::exists(folder->path() + QStringLiteral("/../") + name))
                found << name;
        return found;
    };
    const QStringList parentBefore = escapedPresent();
    const QByteArray templateBytes = folder->read(QStringLiteral("Template.dat"));

    NewDB dialog(main.get());
    dialog.show();
    dialog.Text1->setText(typed);
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().text, QStringLiteral("*52 Bad file name or number"));
    QCOMPARE(MsgBox::last().title, QStringLiteral("File Creation Error"));
    QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::Ok);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Text1->text(), typed);
    QCOMPARE(folderFiles(), before);
    QCOMPARE(escapedPresent(), parentBefore);
    QCOMPARE(folder->read(QStringLiteral("Template.dat")), templateBytes);
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
    QCOMPARE(main->List1->listCount(), 2);
}

void tst_newlist::existingListIsReplacedOnlyOnYes_data() {
    QTest::addColumn<bool>("answerYes");
    QTest::newRow("No keeps the contacts") << false;
    QTest::newRow("Yes replaces the list") << true;
}

void tst_newlist::existingListIsReplacedOnlyOnYes() {
    QFETCH(bool, answerYes);
    openHome();
    folder->addList(QStringLiteral("Friends.mdb"));
    folder->addContacts(QStringLiteral("Friends.mdb"),
                        {{QStringLiteral("Ann")}, {QStringLiteral("Bob")}, {QStringLiteral("Cy")}});
    if (answerYes)
        MsgBox::setNextAnswer(MsgBox::Answer::Yes);

    NewDB dialog(main.get());
    dialog.show();
    dialog.Text1->setText(QStringLiteral("Friends"));
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::YesNo);
    QCOMPARE(MsgBox::last().defaultButton, MsgBox::Answer::No);
    QVERIFY(MsgBox::last().text.contains(QStringLiteral("Friends")));
    if (answerYes) {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(contactCount(folder->file(QStringLiteral("Friends.mdb"))), 0);
        QCOMPARE(Globals::currentListName, QStringLiteral("Friends.mdb"));
        QCOMPARE(rememberedList(), QStringLiteral("Friends.mdb"));
        QCOMPARE(main->List1->listCount(), 0);
    } else {
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Text1->text(), QStringLiteral("Friends"));
        QCOMPARE(contactCount(folder->file(QStringLiteral("Friends.mdb"))), 3);
        QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
        QCOMPARE(main->Data1->databaseName(), folder->file(QStringLiteral("Home.mdb")));
        QCOMPARE(main->List1->listCount(), 2);
    }
    QCOMPARE(contactCount(folder->file(QStringLiteral("Home.mdb"))), 2);
}

void tst_newlist::openListCannotBeReplaced() {
    openHome();
    NewDB dialog(main.get());
    dialog.show();
    dialog.Text1->setText(QStringLiteral("Home"));
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().text, QStringLiteral("*70 Permission denied"));
    QCOMPARE(MsgBox::last().title, QStringLiteral("File Creation Error"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Text1->text(), QStringLiteral("Home"));
    QCOMPARE(contactCount(folder->file(QStringLiteral("Home.mdb"))), 2);
    QCOMPARE(main->List1->listCount(), 2);
    QCOMPARE(main->Data1->recordset().recordCount(), 2);
}

void tst_newlist::missingTemplateIsReported() {
    openHome();
    QFile::remove(folder->file(QStringLiteral("Template.dat")));
    NewDB dialog(main.get());
    dialog.show();
    dialog.Text1->setText(QStringLiteral("Friends"));
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::last().text, QStringLiteral("*53 File not found"));
    QCOMPARE(MsgBox::last().title, QStringLiteral("File Creation Error"));
    QVERIFY(dialog.isVisible());
    QVERIFY(!folder->exists(QStringLiteral("Friends.mdb")));
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
}

void tst_newlist::unusableTemplateLeavesTheOldListCurrent() {
    openHome();
    folder->write(QStringLiteral("Template.dat"), "not a database at all");
    const QByteArray settings = folder->read(QStringLiteral("plist.ini"));
    NewDB dialog(main.get());
    dialog.show();
    dialog.Text1->setText(QStringLiteral("Friends"));
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QVERIFY(MsgBox::last().text.startsWith(QStringLiteral("*3343 ")));
    QCOMPARE(MsgBox::last().title, QStringLiteral("File Creation Error"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
    QCOMPARE(rememberedList(), QStringLiteral("Quillary.mdb"));
    QCOMPARE(folder->read(QStringLiteral("plist.ini")), settings);
    QCOMPARE(main->Data1->databaseName(), folder->file(QStringLiteral("Home.mdb")));
    QCOMPARE(main->Data1->recordset().recordCount(), 2);
    QCOMPARE(main->List1->listCount(), 2);
}

void tst_newlist::cancelChangesNothing() {
    openHome();
    const QStringList before = folderFiles();
    NewDB dialog(main.get());
    dialog.show();
    dialog.Text1->setText(QStringLiteral("Friends"));
    QTest::mouseClick(dialog.cmdButtons[1], Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(folderFiles(), before);
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
}

void tst_newlist::createCommandShowsTheDialogModally() {
    openHome();
    ModalDriver driver;
    driver.act = [](QWidget* w) {
        auto* dialog = qobject_cast<NewDB*>(w);
        QVERIFY(dialog);
        QVERIFY(dialog->isModal());
        dialog->Text1->setText(QStringLiteral("Fresh"));
        QTest::mouseClick(dialog->cmdButtons[0], Qt::LeftButton);
    };
    main->MakeDB->trigger();
    QCOMPARE(driver.seen, QStringList{QStringLiteral("NewDB")});
    QVERIFY(!NewDB::instance());
    QCOMPARE(Globals::currentListName, QStringLiteral("Fresh.mdb"));
    QCOMPARE(main->Data1->databaseName(), folder->file(QStringLiteral("Fresh.mdb")));
}

QTEST_MAIN(tst_newlist)
#include "tst_newlist.moc"
