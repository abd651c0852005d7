#include "MainWindowHarness.h"

#include "platform/SortedStringModel.h"

#include <QDir>
#include <QLabel>

namespace {
// Each list file holds one contact named after it, so the entries tell which list is open.
QString contactOf(const QString& list) {
    return QStringLiteral("In ") + list;
}
const QByteArray installedSettings("[lastdb]\r\ndb=Quillary.mdb\r\n");
} // namespace

class tst_startup : public QObject {
    Q_OBJECT
private slots:
    void settlesTheList_data();
    void settlesTheList();
    void newListDialogMayOpenTheListItMade();
    void firstEntryIsSelectedAndShown();
    void emptyListSelectsNothing();
    void unusableListFile_data();
    void unusableListFile();
    void settingsFileThatCannotBeRead();
    void refreshUnderTheResumeRule();
    void listedAlikeWhateverTheIndexes_data();
    void listedAlikeWhateverTheIndexes();
};

void tst_startup::settlesTheList_data() {
    QTest::addColumn<QStringList>("lists");
    // Null: no settings file.
    QTest::addColumn<QByteArray>("settings");
    // The list the chooser makes current (empty: closed without a choice).
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("chooserCalls");
    QTest::addColumn<int>("newListCalls");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("label6");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("entries");
    // Null: the settings file stays missing.
    QTest::addColumn<QByteArray>("settingsAfter");

    QTest::newRow("no list file, no settings: only the new-list dialog")
        << QStringList() << QByteArray() << QString() << 0 << 1 << QString() << "Contacts" << 0
        << QStringList() << QByteArray();
    QTest::newRow("no list file, settings present: only the new-list dialog")
        << QStringList() << installedSettings << QString() << 0 << 1 << "Quillary.mdb"
        << "Contacts" << 0 << QStringList() << installedSettings;
    QTest::newRow("default list and settings: no dialog")
        << QStringList{"Quillary.mdb"} << installedSettings << QString() << 0 << 0 << "Quillary.mdb"
        << "Individual Name" << 1 << QStringList{contactOf("Quillary.mdb")} << installedSettings;
    QTest::newRow("no settings: the chooser once, its list opens")
        << QStringList{"Quillary.mdb", "Other.mdb"} << QByteArray() << "Other.mdb" << 1 << 0
        << "Other.mdb"
        << "Individual Name" << 1 << QStringList{contactOf("Other.mdb")} << QByteArray();
    QTest::newRow("no settings, chooser closed without a choice: asked twice, empty list")
        << QStringList{"Quillary.mdb"} << QByteArray() << QString() << 2 << 0 << QString()
        << "Individual Name" << 1 << QStringList() << QByteArray();
    QTest::newRow("settings name another list, default present: starts on the default")
        << QStringList{"Quillary.mdb", "Other.mdb"} << QByteArray("[lastdb]\r\ndb=Other.mdb\r\n")
        << QString() << 0 << 0 << "Quillary.mdb"
        << "Individual Name" << 1 << QStringList{contactOf("Quillary.mdb")} << installedSettings;
    QTest::newRow("settings name another list, default missing: the chooser once")
        << QStringList{"Other.mdb"} << QByteArray("[lastdb]\r\ndb=Other.mdb\r\n") << "Other.mdb"
        << 1 << 0 << "Other.mdb"
        << "Individual Name" << 1 << QStringList{contactOf("Other.mdb")} << installedSettings;
    QTest::newRow("settings without the section: the chooser")
        << QStringList{"Quillary.mdb"} << QByteArray("[other]\r\nx=1\r\n") << "Quillary.mdb" << 1
        << 0 << "Quillary.mdb"
        << "Individual Name" << 1 << QStringList{contactOf("Quillary.mdb")}
        << QByteArray("[other]\r\nx=1\r\n");
}

void tst_startup::settlesTheList() {
    QFETCH(QStringList, lists);
    QFETCH(QByteArray, settings);
    QFETCH(QString, chosen);
    Harness h;
    for (const QString& list : lists) {
        h.folder.addList(list);
        h.folder.addContacts(list, {{contactOf(list)}});
    }
    if (!settings.isNull())
        h.folder.write(QStringLiteral("plist.ini"), settings);
    h.chooser = [&] {
        if (!chosen.isEmpty())
            Globals::currentListName = chosen;
    };
    pList& w = h.start();

    QTEST(h.chooserCalls, "chooserCalls");
    QTEST(h.newListCalls, "newListCalls");
    QTEST(Globals::currentListName, "current");
    QTEST(w.Label13->text(), "current");
    QTEST(w.Label6->text(), "label6");
    QTEST(int(Globals::listDisplayMode), "mode");
    QTEST(h.entries(), "entries");
    QCOMPARE(Globals::sharedContactRecordset, nullptr);
    QFETCH(QByteArray, settingsAfter);
    QCOMPARE(h.folder.exists(QStringLiteral("plist.ini")), !settingsAfter.isNull());
    if (!settingsAfter.isNull())
        QCOMPARE(h.folder.read(QStringLiteral("plist.ini")), settingsAfter);
    QVERIFY(!h.folder.exists(QStringLiteral("qv.new")));
    QVERIFY(MsgBox::shown().isEmpty());
}

void tst_startup::newListDialogMayOpenTheListItMade() {
    Harness h;
    h.folder.install(QStringLiteral("plist.ini"));
    // The dialog makes a list, makes it current and has it listed.
    h.newList = [&] {
        h.folder.addList(QStringLiteral("Mine.mdb"));
        h.folder.addContacts(QStringLiteral("Mine.mdb"), {{"Zed"}, {"amy"}});
        Globals::currentListName = QStringLiteral("Mine.mdb");
        h.window->Refresh_Click(0);
    };
    pList& w = h.start();
    QCOMPARE(h.newListCalls, 1);
    QCOMPARE(h.chooserCalls, 0);
    QCOMPARE(h.entries(), (QStringList{"amy", "Zed"}));
    QCOMPARE(w.List1->listIndex(), -1);
    QCOMPARE(w.Label13->text(), QStringLiteral("Mine.mdb"));
    QCOMPARE(Globals::applicationFolderPath, QDir::cleanPath(h.folder.path()));
}

void tst_startup::firstEntryIsSelectedAndShown() {
    Harness h;
    pList& w = h.startWith({{"b", "Bee Co"}, {"A", "Ay Co", "1 Main St"}, {"c", "See Co"}});
    QCOMPARE(h.entries(), (QStringList{"A", "b", "c"}));
    QCOMPARE(w.List1->listIndex(), 0);
    QCOMPARE(w.Text1->text(), QStringLiteral("A"));
    QCOMPARE(w.Text11->text(), QStringLiteral("Ay Co"));
    QCOMPARE(w.Text7->text(), QStringLiteral("1 Main St"));
    QCOMPARE(w.Label13->text(), QStringLiteral("Quillary.mdb"));
    QCOMPARE(w.Data1->recordSource(), QStringLiteral("select * from pName2 where pName='A'"));
}

void tst_startup::emptyListSelectsNothing() {
    Harness h;
    pList& w = h.startWith({});
    QCOMPARE(w.List1->listCount(), 0);
    QCOMPARE(w.List1->listIndex(), -1);
    QVERIFY(w.Text1->text().isEmpty());
    QCOMPARE(w.Label6->text(), QStringLiteral("Individual Name"));
    QCOMPARE(h.chooserCalls, 0);
}

void tst_startup::unusableListFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("database");
    QTest::newRow("not a database") << QByteArray("Standard Jet DB\0garbage", 23) << false;
    QTest::newRow("empty file") << QByteArray("") << false;
    QTest::newRow("database without the contact table") << QByteArray() << true;
}

// The window still opens, with an empty list and nothing selected; the file is
// left exactly as it was.
void tst_startup::unusableListFile() {
    QFETCH(QByteArray, content);
    QFETCH(bool, database);
    Harness h;
    h.folder.install(QStringLiteral("plist.ini"));
    if (database) {
        SQLite::Database db(h.folder.file(QStringLiteral("Quillary.mdb")).toStdString(),
                            SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE other (x TEXT); INSERT INTO other VALUES ('kept')");
    } else {
        h.folder.write(QStringLiteral("Quillary.mdb"), content);
    }
    const QByteArray before = h.folder.read(QStringLiteral("Quillary.mdb"));
    pList& w = h.start();
    QVERIFY(w.isVisible());
    QCOMPARE(h.chooserCalls, 0);
    QCOMPARE(w.List1->listCount(), 0);
    QCOMPARE(w.List1->listIndex(), -1);
    QCOMPARE(w.Label13->text(), QStringLiteral("Quillary.mdb"));
    QVERIFY(MsgBox::shown().isEmpty());

    // Working in the window does not touch the file.
    w.Refresh->trigger();
    w.AddNew->trigger();
    Harness::type(w.Text1, QStringLiteral("Typed"));
    w.Delete->trigger();
    w.smdSave->click();
    QCOMPARE(w.List1->listCount(), 0);
    h.window->close();
    QCOMPARE(h.folder.read(QStringLiteral("Quillary.mdb")), before);
}

// A settings file that cannot be read leaves no remembered list: the chooser asks.
void tst_startup::settingsFileThatCannotBeRead() {
    Harness h;
    QVERIFY(QDir(h.folder.path()).mkdir(QStringLiteral("plist.ini")));
    h.folder.addList(QStringLiteral("Quillary.mdb"));
    h.folder.addContacts(QStringLiteral("Quillary.mdb"), {{"Kept"}});
    h.chooser = [] { Globals::currentListName = QStringLiteral("Quillary.mdb"); };
    pList& w = h.start();
    QVERIFY(w.isVisible());
    QCOMPARE(h.chooserCalls, 1);
    QCOMPARE(h.entries(), QStringList{"Kept"});
    QCOMPARE(w.Text1->text(), QStringLiteral("Kept"));
    QVERIFY(QFileInfo(h.folder.file(QStringLiteral("plist.ini"))).isDir());
    // At most the settings writer's own report of its failure.
    QVERIFY(MsgBox::shown().size() <= 1);
    for (const MsgBox::Shown& s : MsgBox::shown())
        QVERIFY2(s.text.startsWith(QLatin1Char('*')), qPrintable(s.text));
    QCOMPARE(h.storedNames(), QStringList{"Kept"});
}

// Every step of the refresh runs on past a failing one: a list that cannot be
// opened leaves the list empty and never shows another list's contacts.
void tst_startup::refreshUnderTheResumeRule() {
    Harness h;
    pList& w = h.startWith({{"Alice"}, {"Bob"}});
    h.folder.write(QStringLiteral("Broken.mdb"), "not a database at all");
    Globals::currentListName = QStringLiteral("Broken.mdb");
    Globals::applicationFolderPath.clear();
    Globals::listDisplayMode = 2;
    w.Label6->setText(QStringLiteral("Company Name"));
    w.Refresh_Click(0);
    QCOMPARE(w.List1->listCount(), 0);
    QCOMPARE(w.List1->listIndex(), -1);
    QCOMPARE(Globals::applicationFolderPath, QDir::cleanPath(h.folder.path()));
    QCOMPARE(w.Label6->text(), QStringLiteral("Individual Name"));
    QCOMPARE(w.Label13->text(), QStringLiteral("Broken.mdb"));
    QCOMPARE(int(Globals::listDisplayMode), 1);
    QCOMPARE(Globals::sharedContactRecordset, nullptr);
    QVERIFY(MsgBox::shown().isEmpty());
    // Nothing of the list shown before can be deleted from here.
    w.Delete->trigger();
    QCOMPARE(h.storedNames(), (QStringList{"Alice", "Bob"}));

    // Back to a good list: all of it again.
    Globals::currentListName = QStringLiteral("Quillary.mdb");
    w.Refresh->trigger();
    QCOMPARE(h.entries(), (QStringList{"Alice", "Bob"}));
}

// The list shows the same names in the same order whether the file has its
// name indexes, lacks them, or had them built by a program that folds only
// ASCII letters: the fills read whichever the engine finds fastest.
void tst_startup::listedAlikeWhateverTheIndexes_data() {
    QTest::addColumn<QString>("indexes");
    QTest::newRow("as made by the program") << QString();
    QTest::newRow("none") << QStringLiteral(
        "DROP INDEX pName2_pName; DROP INDEX pName2_CompanyName");
    QTest::newRow("built by another program")
        << QStringLiteral("REINDEX pName2_pName; REINDEX pName2_CompanyName");
}
void tst_startup::listedAlikeWhateverTheIndexes() {
    QFETCH(QString, indexes);
    const QStringList people = {"smith", "Émile", "ÉMILE", "emile", QString(), "Smith", "",
                                "Zoë",   "zoe",   "Ángel", "angel", "Bob",     "bob",   "O'Brien",
                                "Øster", "Ω",     "émile", "Smith", "ss",      "ß"};
    QList<QStringList> rows;
    for (int i = 0; i < people.size(); ++i)
        rows << QStringList{people[i], people[(i * 7 + 3) % people.size()]};
    Harness h;
    h.folder.install(QStringLiteral("plist.ini"));
    h.folder.addList(QStringLiteral("Quillary.mdb"));
    h.folder.addContacts(QStringLiteral("Quillary.mdb"), rows);
    if (!indexes.isEmpty()) {
        // The engine's own NOCASE, which folds ASCII letters only.
        SQLite::Database db(h.folder.file(QStringLiteral("Quillary.mdb")).toStdString(),
                            SQLite::OPEN_READWRITE);
        db.exec(indexes.toStdString());
    }
    auto listOf = [](const QStringList& names, bool skipEmpty) {
        QStringList out;
        for (const QString& n : names)
            if (!n.isNull() && !(skipEmpty && n.isEmpty()))
                out << n;
        std::stable_sort(out.begin(), out.end(), SortedStringModel::lessThan);
        return out;
    };
    pList& w = h.start();
    QCOMPARE(h.entries(), listOf(people, false));
    QStringList companies;
    for (const QStringList& row : rows)
        companies << row[1];
    // The company view has no visible command: its handler is called.
    w.LoadCompany_Click(0);
    QCOMPARE(h.entries(), listOf(companies, true));
    w.Refresh->trigger();
    QCOMPARE(h.entries(), listOf(people, false));
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
