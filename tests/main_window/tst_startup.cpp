#include "support/Harness.h"

#include "list_dialogs/NewDB.h"
#include "list_dialogs/frmFM.h"
#include "platform/SortedStringModel.h"

#include <QDir>
#include <csignal>
#include <sys/resource.h>

namespace {
// Each list file holds one contact named after it, so the entries tell which list is open.
QString contactOf(const QString& list) {
    return QStringLiteral("In ") + list;
}
const QByteArray installedSettings("[lastdb]\r\ndb=Quillary.mdb\r\n");

// Files written while it lives can hold only a few bytes: the settings writer fails.
struct WritesFail {
    rlimit before{};
    WritesFail() {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit tiny = before;
        tiny.rlim_cur = 8;
        setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~WritesFail() { setrlimit(RLIMIT_FSIZE, &before); }
};
} // namespace

class tst_startup : public QObject {
    Q_OBJECT
private slots:
    void settlesTheList_data();
    void settlesTheList();
    void unusableListFile_data();
    void unusableListFile();
    void refreshUnderTheResumeRule();
    void listedAlikeWhateverTheIndexes_data();
    void listedAlikeWhateverTheIndexes();
};

void tst_startup::settlesTheList_data() {
    QTest::addColumn<QStringList>("lists");
    // Null: no settings file.
    QTest::addColumn<QByteArray>("settings");
    // Writes of the settings file that fail (each reported by the writer).
    QTest::addColumn<int>("failedWrites");
    // The list picked in the chooser or named in the new-list dialog (empty: Cancel).
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("dialogs");
    QTest::addColumn<QString>("current");
    // Null: not compared.
    QTest::addColumn<QByteArray>("settingsAfter");
    const auto row = [](const char* tag, const QStringList& lists, const QByteArray& settings,
                        const QString& chosen, const QString& dialogs, const QString& current,
                        const QByteArray& after, int failedWrites = 0) {
        QTest::newRow(tag) << lists << settings << failedWrites << chosen << dialogs << current
                           << after;
    };
    const QStringList both = {"Quillary.mdb", "Other.mdb"};
    const QByteArray other("[lastdb]\r\ndb=Other.mdb\r\n");
    row("no list file: a new list", {}, installedSettings, "Quillary", "NewDB", "Quillary.mdb",
        installedSettings);
    row("no list file, no new list", {}, installedSettings, "", "NewDB", "Quillary.mdb",
        installedSettings);
    row("default list and settings: no dialog", {"Quillary.mdb"}, installedSettings, "", "",
        "Quillary.mdb", installedSettings);
    row("no settings: chosen once, no settings file made", both, QByteArray(), "Other.mdb", "frmFM",
        "Other.mdb", QByteArray());
    row("no settings, no choice: asked twice", {"Quillary.mdb"}, QByteArray(), "", "frmFMfrmFM", "",
        QByteArray());
    row("settings naming another list: the default", both, other, "", "", "Quillary.mdb",
        installedSettings);
    row("settings naming a missing list: chosen and remembered", {"Other.mdb"}, other, "Other.mdb",
        "frmFM", "Other.mdb", other);
    row("settings without the section: the chooser", {"Quillary.mdb"}, "[other]\r\nx=1\r\n",
        "Quillary.mdb", "frmFM", "Quillary.mdb", QByteArray());
    // A remembered name that leads out of the folder is no remembered list.
    const QStringList inSub = {"Quillary.mdb", "sub/x.mdb"};
    for (const char* line : {"db/sub/x.mdb", "db\tsub/x.mdb", "db/../sub/x.mdb"})
        row(line, inSub, QByteArray("[lastdb]\r\n") + line + "\r\n", "", "frmFMfrmFM", "",
            QByteArray());
    row("db=sub/x.mdb, start-up write failing", inSub, "[lastdb]\r\ndb=sub/x.mdb\r\n", "",
        "frmFMfrmFM", "", "[lastdb]\r\ndb=sub/x.mdb\r\n", 1);
    row("settings that cannot be read: the chooser", {"Quillary.mdb"}, "<folder>", "Quillary.mdb",
        "frmFM", "Quillary.mdb", QByteArray(), 2);
}

// Start-up settles the list with the real dialogs where it needs them.
void tst_startup::settlesTheList() {
    QFETCH(QStringList, lists);
    QFETCH(QByteArray, settings);
    QFETCH(int, failedWrites);
    // A settings file that cannot be read: a folder of that name.
    const bool unreadable = settings == "<folder>";
    QFETCH(QString, chosen);
    QFETCH(QString, current);
    Harness h;
    h.folder.install(QStringLiteral("Template.dat"));
    QVERIFY(QDir(h.folder.path()).mkdir(QStringLiteral("sub")));
    for (const QString& list : lists) {
        h.folder.addList(list);
        h.folder.addContacts(list, {{contactOf(list)}});
    }
    if (unreadable)
        QVERIFY(QDir(h.folder.path()).mkdir(QStringLiteral("plist.ini")));
    else if (!settings.isNull())
        h.folder.write(QStringLiteral("plist.ini"), settings);
    ModalDriver driver;
    driver.act = [&](QWidget* w) {
        auto* chooser = qobject_cast<frmFM*>(w);
        auto* newList = qobject_cast<NewDB*>(w);
        if (chooser && !chosen.isEmpty())
            Harness::pick(chooser->File1, chosen);
        if (newList)
            newList->Text1->insert(chosen);
        QPushButton* const* buttons = chooser ? chooser->cmdButtons : newList->cmdButtons;
        QTest::mouseClick(buttons[chosen.isEmpty() ? 1 : 0], Qt::LeftButton);
    };
    {
        std::unique_ptr<WritesFail> failing(failedWrites && !unreadable ? new WritesFail : nullptr);
        h.start(false);
    }
    QTEST(driver.seen.join(QString()), "dialogs");
    QCOMPARE(Globals::currentListName, current);
    QCOMPARE(h.entries(),
             lists.contains(current) ? QStringList{contactOf(current)} : QStringList());
    QCOMPARE(h.window->Text1->text(), h.entries().value(0));
    // The chooser hides the emblem.
    QCOMPARE(h.window->Image2->isVisibleTo(h.window.get()), !driver.seen.contains("frmFM"));
    QFETCH(QByteArray, settingsAfter);
    QCOMPARE(h.folder.exists(QStringLiteral("plist.ini")), !settings.isNull());
    if (!settingsAfter.isNull())
        QCOMPARE(h.folder.read(QStringLiteral("plist.ini")), settingsAfter);
    QVERIFY(!h.folder.exists(QStringLiteral("qv.new")));
    // Only the settings writer's reports of its own failures.
    QCOMPARE(MsgBox::shown().size(), failedWrites);
}

void tst_startup::unusableListFile_data() {
    QTest::addColumn<QByteArray>("content");
    // Run on a database holding this.
    QTest::addColumn<QString>("sql");
    QTest::newRow("not a database") << QByteArray("Standard Jet DB\0garbage", 23) << QString();
    QTest::newRow("empty file") << QByteArray("") << QString();
    QTest::newRow("no contact table") << QByteArray("") << "CREATE TABLE other (x TEXT)";
    QTest::newRow("no pName") << QByteArray("") << "CREATE TABLE pName2 (CompanyName TEXT)";
}

// Start-up stays silent and the window opens empty; a contact typed then is
// not stored, and the window says so, keeping the typed text. The file is left
// as it was.
void tst_startup::unusableListFile() {
    QFETCH(QByteArray, content);
    QFETCH(QString, sql);
    Harness h;
    h.folder.install(QStringLiteral("plist.ini"));
    const QString list = QStringLiteral("Quillary.mdb");
    h.folder.write(list, content);
    if (!sql.isEmpty())
        h.exec(list, sql.toUtf8().constData());
    const QByteArray before = h.folder.read(list);
    pList& w = h.start();
    QVERIFY(w.isVisible());
    QCOMPARE(h.chooserCalls, 0);
    QCOMPARE(w.List1->listCount(), 0);
    QVERIFY(MsgBox::shown().isEmpty());

    Harness::type(w.Text1, QStringLiteral("Typed"));
    QTest::mouseClick(w.smdSave, Qt::LeftButton);
    QCOMPARE(MsgBox::shown().size(), 1);
    QVERIFY2(MsgBox::last().text.startsWith(QLatin1Char('*')) && MsgBox::last().text.contains(list),
             qPrintable(MsgBox::last().text));
    QCOMPARE(w.Text1->text(), QStringLiteral("Typed"));
    w.Delete->trigger();
    h.window->close();
    QCOMPARE(h.folder.read(list), before);
}

// Every step of the refresh runs on past a failing one: a list that cannot be
// opened leaves the list empty and never shows another list's contacts.
void tst_startup::refreshUnderTheResumeRule() {
    Harness h;
    pList& w = h.startWith({{"Alice"}, {"Bob"}});
    h.folder.write(QStringLiteral("Broken.mdb"), "not a database at all");
    Globals::currentListName = QStringLiteral("Broken.mdb");
    Globals::listDisplayMode = 2;
    w.Label6->setText(QStringLiteral("Company Name"));
    w.Refresh_Click(0);
    QCOMPARE(w.List1->listCount(), 0);
    QCOMPARE(w.Label6->text(), QStringLiteral("Individual Name"));
    QCOMPARE(w.Label13->text(), QStringLiteral("Broken.mdb"));
    QCOMPARE(int(Globals::listDisplayMode), 1);
    QVERIFY(MsgBox::shown().isEmpty());
    // Nothing of the list shown before can be deleted from here.
    w.Delete->trigger();
    QCOMPARE(h.storedNames(), (QStringList{"Alice", "Bob"}));
    Globals::currentListName = QStringLiteral("Quillary.mdb");
    w.Refresh->trigger();
    QCOMPARE(h.entries(), (QStringList{"Alice", "Bob"}));
}

// The list shows the same names in the same order whether the file has its
// name indexes, lacks them, or had them built by a program that folds only
// ASCII letters.
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
    QStringList names;
    QStringList companies;
    for (int i = 0; i < people.size(); ++i) {
        rows << QStringList{people[i], people[(i * 7 + 3) % people.size()]};
        if (!people[i].isNull())
            names << people[i];
        if (!rows.last()[1].isEmpty())
            companies << rows.last()[1];
    }
    std::stable_sort(names.begin(), names.end(), SortedStringModel::lessThan);
    std::stable_sort(companies.begin(), companies.end(), SortedStringModel::lessThan);
    Harness h;
    pList& w = h.startWith(rows, indexes);
    QCOMPARE(h.entries(), names);
    w.LoadCompany_Click(0);
    QCOMPARE(h.entries(), companies);
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
