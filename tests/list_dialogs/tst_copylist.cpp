#include "ListDialogsTest.h"
#include "list_dialogs/FileControls.h"
#include "list_dialogs/frmCopyList.h"
#include "main_window/pList.h"
#include "platform/FolderDialog.h"
#include "platform/MsgBox.h"
#include "platform/RunError.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
QStringList offered(const frmCopyList& dialog) {
    QStringList out;
    for (int i = 0; i < dialog.File1->listCount(); ++i)
        out << dialog.File1->list(i);
    return out;
}

void select(frmCopyList& dialog, const QString& name) {
    const int row = offered(dialog).indexOf(name);
    QVERIFY2(row >= 0, qPrintable(name));
    dialog.File1->setListIndex(row);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class tst_copylist : public QObject, ListDialogsFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void offersEveryFileOfTheFolder();
    void resizingKeepsTheControlsInPlace();
    void openListIsRefusedWithTheExplanation();
    void copyGoesToTheChosenFolder();
    void folderQuestionStartsInTheUsersFolders();
    void existingFileIsReplacedOnlyOnYes_data();
    void existingFileIsReplacedOnlyOnYes();
    void cancelledFolderQuestionCopiesNothing();
    void copyOntoItselfIsRefused();
    void okWithoutSelectionCopiesNothing();
    void failedCopyIsReportedAndLeavesNoFile();
    void cancelCopiesNothing();
    void copyCommandShowsTheDialog();

private:
    std::unique_ptr<QTemporaryDir> destination;

    void openHome();
    QString target(const QString& name) const { return destination->filePath(name); }
};

void tst_copylist::init() {
    setUpFolder();
    FolderDialog::setScripted(true);
    FolderDialog::clearAsked();
    destination = std::make_unique<QTemporaryDir>();
    main = std::make_unique<pList>();
}

void tst_copylist::cleanup() {
    destination.reset();
    FileSystem::failNextCopyWith(0);
    tearDownFolder();
}

void tst_copylist::openHome() {
    folder->addList(QStringLiteral("Home.mdb"));
    folder->addContacts(QStringLiteral("Home.mdb"),
                        {{QStringLiteral("Hank")}, {QStringLiteral("Gail")}});
    folder->addList(QStringLiteral("Work.mdb"));
    folder->addContacts(QStringLiteral("Work.mdb"), {{QStringLiteral("Wes")}});
    Globals::currentListName = QStringLiteral("Home.mdb");
    main->Refresh_Click(0);
    QCOMPARE(main->List1->listCount(), 2);
}

void tst_copylist::offersEveryFileOfTheFolder() {
    openHome();
    folder->write(QStringLiteral("readme.txt"), "x");
    frmCopyList dialog(main.get());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Copy a List"));
    QCOMPARE(offered(dialog),
             (QStringList{QStringLiteral("AreaCodes.dat"), QStringLiteral("Home.mdb"),
                          QStringLiteral("Template.dat"), QStringLiteral("Work.mdb"),
                          QStringLiteral("plist.ini"), QStringLiteral("readme.txt")}));
    QCOMPARE(dialog.cmdButtons[0]->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.cmdButtons[1]->text(), QStringLiteral("Cancel"));
    QVERIFY(dialog.Drive1->isHidden());
    QVERIFY(dialog.Dir1->isHidden());
}

void tst_copylist::resizingKeepsTheControlsInPlace() {
    frmCopyList dialog(main.get());
    dialog.show();
    QVERIFY(dialog.minimumSize() != dialog.maximumSize());
    const QRect list = dialog.File1->geometry();
    const QRect panel = dialog.Picture1->geometry();
    dialog.resize(dialog.size() + QSize(200, 150));
    QCOMPARE(dialog.File1->geometry(), list);
    QCOMPARE(dialog.Picture1->geometry(), panel);
}

void tst_copylist::openListIsRefusedWithTheExplanation() {
    openHome();
    frmCopyList dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Home.mdb"));
    FolderDialog::setNextAnswer(destination->path());
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().text,
             QStringLiteral("*70 Permission denied\r\nYou cannot copy an open List. Select a "
                            "different list\r\nbefore copying the current list."));
    QCOMPARE(MsgBox::last().title, QStringLiteral("File Copy Error"));
    QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::Ok);
    QVERIFY(!dialog.isVisible());
    QVERIFY(QDir(destination->path()).isEmpty());
    QCOMPARE(main->Data1->recordset().recordCount(), 2);
}

void tst_copylist::copyGoesToTheChosenFolder() {
    openHome();
    frmCopyList dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Work.mdb"));
    FolderDialog::setNextAnswer(destination->path());
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QVERIFY(MsgBox::shown().isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Globals::copyDestinationFolder, QDir::cleanPath(destination->path()));
    QCOMPARE(bytesOf(target(QStringLiteral("Work.mdb"))), folder->read(QStringLiteral("Work.mdb")));
    QCOMPARE(contactCount(target(QStringLiteral("Work.mdb"))), 1);
    // Nothing else in the destination, no half-written file left behind.
    QCOMPARE(QDir(destination->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Work.mdb")});
    // The main window and the settings file are untouched.
    QCOMPARE(Globals::currentListName, QStringLiteral("Home.mdb"));
    QCOMPARE(rememberedList(), QStringLiteral("Quillary.mdb"));
}

void tst_copylist::folderQuestionStartsInTheUsersFolders() {
    openHome();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString expected = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    {
        frmCopyList dialog(main.get());
        select(dialog, QStringLiteral("Work.mdb"));
        FolderDialog::setNextAnswer(destination->path());
        dialog.cmdButtons_Click(0);
    }
    QCOMPARE(FolderDialog::asked().size(), 1);
    QCOMPARE(FolderDialog::last().startIn, expected);
    QVERIFY(QDir(FolderDialog::last().startIn) != QDir::root());
    {
        // The next copy starts where the last one went.
        frmCopyList dialog(main.get());
        select(dialog, QStringLiteral("Template.dat"));
        FolderDialog::setNextAnswer(destination->path());
        dialog.cmdButtons_Click(0);
    }
    QCOMPARE(FolderDialog::last().startIn, QDir::cleanPath(destination->path()));
    QVERIFY(QFile::exists(target(QStringLiteral("Template.dat"))));
}

void tst_copylist::existingFileIsReplacedOnlyOnYes_data() {
    QTest::addColumn<bool>("answerYes");
    QTest::newRow("No keeps the file there") << false;
    QTest::newRow("Yes replaces it") << true;
}

void tst_copylist::existingFileIsReplacedOnlyOnYes() {
    QFETCH(bool, answerYes);
    openHome();
    {
        QFile old(target(QStringLiteral("Work.mdb")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the user's own file");
    }
    if (answerYes)
        MsgBox::setNextAnswer(MsgBox::Answer::Yes);
    frmCopyList dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Work.mdb"));
    FolderDialog::setNextAnswer(destination->path());
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::YesNo);
    QCOMPARE(MsgBox::last().defaultButton, MsgBox::Answer::No);
    if (answerYes) {
        QVERIFY(!dialog.isVisible());
        QCOMPARE(contactCount(target(QStringLiteral("Work.mdb"))), 1);
    } else {
        QVERIFY(dialog.isVisible());
        QCOMPARE(bytesOf(target(QStringLiteral("Work.mdb"))), QByteArray("the user's own file"));
    }
}

void tst_copylist::cancelledFolderQuestionCopiesNothing() {
    openHome();
    frmCopyList dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Work.mdb"));
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);
    QCOMPARE(FolderDialog::asked().size(), 1);
    QVERIFY(MsgBox::shown().isEmpty());
    QVERIFY(dialog.isVisible());
    QCOMPARE(Globals::copyDestinationFolder, QString());
}

void tst_copylist::copyOntoItselfIsRefused() {
    openHome();
    const QByteArray before = folder->read(QStringLiteral("Work.mdb"));
    frmCopyList dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Work.mdb"));
    FolderDialog::setNextAnswer(folder->path() + QStringLiteral("/."));
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::shown().size(), 1);
    QCOMPARE(MsgBox::last().title, QStringLiteral("File Copy Error"));
    QCOMPARE(folder->read(QStringLiteral("Work.mdb")), before);
    QCOMPARE(contactCount(folder->file(QStringLiteral("Work.mdb"))), 1);
    QCOMPARE(FileSystem::files(folder->path()).size(), 5);
}

void tst_copylist::okWithoutSelectionCopiesNothing() {
    openHome();
    frmCopyList dialog(main.get());
    dialog.show();
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(MsgBox::shown().size(), 1);
    QVERIFY(FolderDialog::asked().isEmpty());
}

void tst_copylist::failedCopyIsReportedAndLeavesNoFile() {
    openHome();
    frmCopyList dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Work.mdb"));
    FolderDialog::setNextAnswer(destination->path());
    FileSystem::failNextCopyWith(ErrNo::DiskFull);
    QTest::mouseClick(dialog.cmdButtons[0], Qt::LeftButton);

    QCOMPARE(MsgBox::last().text, QStringLiteral("*61 Disk full"));
    QCOMPARE(MsgBox::last().title, QStringLiteral("File Copy Error"));
    QVERIFY(!dialog.isVisible());
    QVERIFY(QDir(destination->path()).isEmpty());
}

void tst_copylist::cancelCopiesNothing() {
    openHome();
    frmCopyList dialog(main.get());
    dialog.show();
    select(dialog, QStringLiteral("Work.mdb"));
    FolderDialog::setNextAnswer(destination->path());
    QTest::mouseClick(dialog.cmdButtons[1], Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(FolderDialog::asked().isEmpty());
    QVERIFY(QDir(destination->path()).isEmpty());
}

void tst_copylist::copyCommandShowsTheDialog() {
    openHome();
    FolderDialog::setNextAnswer(destination->path());
    ModalDriver driver;
    driver.act = [](QWidget* w) {
        auto* dialog = qobject_cast<frmCopyList*>(w);
        QVERIFY(dialog);
        select(*dialog, QStringLiteral("Work.mdb"));
        QTest::mouseClick(dialog->cmdButtons[0], Qt::LeftButton);
    };
    main->ListCopy->trigger();
    QCOMPARE(driver.seen, QStringList{QStringLiteral("frmCopyList")});
    QVERIFY(!frmCopyList::instance());
    QCOMPARE(contactCount(target(QStringLiteral("Work.mdb"))), 1);
}

QTEST_MAIN(tst_copylist)
#include "tst_copylist.moc"
