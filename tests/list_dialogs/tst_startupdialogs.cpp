#include "ListDialogsTest.h"
#include "list_dialogs/FileControls.h"
#include "list_dialogs/NewDB.h"
#include "list_dialogs/frmFM.h"
#include "main_window/pList.h"
#include "platform/MsgBox.h"
#include "support/TestFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {
void choose(QWidget* w, const QString& name) {
    auto* dialog = qobject_cast<frmFM*>(w);
    QVERIFY(dialog);
    for (int i = 0; i < dialog->File1->listCount(); ++i)
        if (dialog->File1->list(i) == name)
            dialog->File1->setListIndex(i);
    QCOMPARE(dialog->File1->fileName(), name);
    QTest::mouseClick(dialog->cmdButtons[0], Qt::LeftButton);
}
} // namespace

class tst_startupdialogs : public QObject, ListDialogsFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void noListFileOpensOnlyTheNewListDialog();
    void newListMadeAtStartUpBecomesCurrent();
    void noSettingsFileOpensTheChooserOnce();
    void chooserCancelledTwiceLeavesAnEmptyWindow();
    void settingsNamingAMissingListOpenTheChooser();
    void rememberedListPresentOpensNoDialog();

private:
};

void tst_startupdialogs::init() {
    setUpFolder(false);
    main = std::make_unique<pList>();
}

void tst_startupdialogs::cleanup() {
    tearDownFolder();
}

void tst_startupdialogs::noListFileOpensOnlyTheNewListDialog() {
    folder->install(QStringLiteral("plist.ini"));
    ModalDriver driver;
    main->Form_Load();
    QCOMPARE(driver.seen, QStringList{QStringLiteral("NewDB")});
    QCOMPARE(main->List1->listCount(), 0);
    QVERIFY(!main->Data1->hasRecordset());
    QCOMPARE(main->Label6->text(), QStringLiteral("Contacts"));
}

void tst_startupdialogs::newListMadeAtStartUpBecomesCurrent() {
    folder->install(QStringLiteral("plist.ini"));
    ModalDriver driver;
    driver.act = [](QWidget* w) {
        auto* dialog = qobject_cast<NewDB*>(w);
        QVERIFY(dialog);
        QTest::keyClicks(dialog->Text1, QStringLiteral("Quillary"));
        QTest::mouseClick(dialog->cmdButtons[0], Qt::LeftButton);
    };
    main->Form_Load();
    QCOMPARE(driver.seen, QStringList{QStringLiteral("NewDB")});
    QVERIFY(folder->exists(QStringLiteral("Quillary.mdb")));
    QCOMPARE(Globals::currentListName, QStringLiteral("Quillary.mdb"));
    QCOMPARE(main->Data1->databaseName(), folder->file(QStringLiteral("Quillary.mdb")));
    QVERIFY(main->Data1->hasRecordset());
    QCOMPARE(rememberedList(), QStringLiteral("Quillary.mdb"));
}

void tst_startupdialogs::noSettingsFileOpensTheChooserOnce() {
    folder->addList(QStringLiteral("Family.mdb"));
    folder->addContacts(QStringLiteral("Family.mdb"),
                        {{QStringLiteral("Otto")}, {QStringLiteral("Ida")}});
    folder->addList(QStringLiteral("Work.mdb"));
    ModalDriver driver;
    driver.act = [](QWidget* w) { choose(w, QStringLiteral("Family.mdb")); };
    main->Form_Load();

    QCOMPARE(driver.seen, QStringList{QStringLiteral("frmFM")});
    QCOMPARE(Globals::currentListName, QStringLiteral("Family.mdb"));
    QCOMPARE(main->List1->listCount(), 2);
    QCOMPARE(main->List1->listIndex(), 0);
    QCOMPARE(main->Text1->text(), QStringLiteral("Ida"));
    QVERIFY(main->Image2->isHidden());
    // The settings file is not created by the choice.
    QVERIFY(!folder->exists(QStringLiteral("plist.ini")));
}

void tst_startupdialogs::chooserCancelledTwiceLeavesAnEmptyWindow() {
    folder->addList(QStringLiteral("Family.mdb"));
    ModalDriver driver;
    main->Form_Load();
    QCOMPARE(driver.seen, (QStringList{QStringLiteral("frmFM"), QStringLiteral("frmFM")}));
    QCOMPARE(Globals::currentListName, QString());
    QCOMPARE(main->List1->listCount(), 0);
    QVERIFY(!folder->exists(QStringLiteral("plist.ini")));
}

void tst_startupdialogs::settingsNamingAMissingListOpenTheChooser() {
    folder->write(QStringLiteral("plist.ini"), "[lastdb]\r\ndb=Gone.mdb\r\n");
    folder->addList(QStringLiteral("Family.mdb"));
    folder->addContacts(QStringLiteral("Family.mdb"), {{QStringLiteral("Otto")}});
    ModalDriver driver;
    driver.act = [](QWidget* w) { choose(w, QStringLiteral("Family.mdb")); };
    main->Form_Load();

    QCOMPARE(driver.seen, QStringList{QStringLiteral("frmFM")});
    QCOMPARE(Globals::currentListName, QStringLiteral("Family.mdb"));
    QCOMPARE(rememberedList(), QStringLiteral("Family.mdb"));
    QCOMPARE(main->List1->listCount(), 1);
    QCOMPARE(main->Text1->text(), QStringLiteral("Otto"));
}

void tst_startupdialogs::rememberedListPresentOpensNoDialog() {
    folder->install(QStringLiteral("plist.ini"));
    folder->addList(QStringLiteral("Quillary.mdb"));
    folder->addContacts(QStringLiteral("Quillary.mdb"), {{QStringLiteral("Una")}});
    ModalDriver driver;
    main->Form_Load();
    QVERIFY(driver.seen.isEmpty());
    QCOMPARE(main->Text1->text(), QStringLiteral("Una"));
    QVERIFY(main->Image2->isVisibleTo(main.get()));
}

QTEST_MAIN(tst_startupdialogs)
#include "tst_startupdialogs.moc"
