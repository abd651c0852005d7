// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Harness.h"

#include <QDir>
#include <QScreen>
#include <csignal>
#include <sys/resource.h>

namespace {
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
    void settlesTheList_data() {
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
        row("no settings: chosen once, no settings file made", both, QByteArray(), "Other.mdb",
            "frmFM", "Other.mdb", QByteArray());
        row("no settings, no choice: asked twice", {"Quillary.mdb"}, QByteArray(), "", "frmFMfrmFM",
            "", QByteArray());
        row("settings naming another list: that list", both, other, "", "", "Other.mdb", other);
        row("settings naming a missing list: the default", {"Quillary.mdb"}, other, "", "",
            "Quillary.mdb", installedSettings);
        row("settings naming a folder: the default", {"Quillary.mdb"}, "[lastdb]\r\ndb=sub\r\n", "",
            "", "Quillary.mdb", installedSettings);
        row("neither the remembered nor the default list: chosen and remembered", {"Third.mdb"},
            other, "Third.mdb", "frmFM", "Third.mdb", "[lastdb]\r\ndb=Third.mdb\r\n");
        row("settings without the section: the chooser", {"Quillary.mdb"}, "[other]\r\nx=1\r\n",
            "Quillary.mdb", "frmFM", "Quillary.mdb", QByteArray());
        // A remembered name that leads out of the folder is no remembered list.
        const QStringList inSub = {"Quillary.mdb", "sub/x.mdb"};
        for (const char* line : {"db/sub/x.mdb", "db\tsub/x.mdb", "db/../sub/x.mdb"})
            row(line, inSub, QByteArray("[lastdb]\r\n") + line + "\r\n", "", "frmFMfrmFM", "",
                QByteArray());
        // Nor does one naming the template or the area code file, in any letter case.
        const QStringList withData = {"Quillary.mdb", "AREACODES.mdb", "areacodes.Dat"};
        for (const char* line : {"db:Template.dat", "db AREACODES.mdb", "db-areacodes.Dat"})
            row(line, withData, QByteArray("[lastdb]\r\n") + line + "\r\n", "Quillary.mdb", "frmFM",
                "Quillary.mdb", QByteArray("[lastdb]\r\n") + line + "\r\ndb=Quillary.mdb\r\n");
        row("db=sub/x.mdb, start-up write failing", inSub, "[lastdb]\r\ndb=sub/x.mdb\r\n", "",
            "frmFMfrmFM", "", "[lastdb]\r\ndb=sub/x.mdb\r\n", 1);
        row("settings that cannot be read: the chooser", {"Quillary.mdb"}, "<folder>",
            "Quillary.mdb", "frmFM", "Quillary.mdb", QByteArray(), 2);
    }
    // Start-up settles the list with the real dialogs where it needs them.
    void settlesTheList() {
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
            // One contact named after its list, so the entries tell which list is open.
            h.folder.addContacts(list, {{"In " + list}});
        }
        if (unreadable)
            QVERIFY(QDir(h.folder.path()).mkdir(QStringLiteral("plist.ini")));
        else if (!settings.isNull())
            h.folder.write(QStringLiteral("plist.ini"), settings);
        ModalDriver driver;
        driver.act = [&](QWidget* w) { Harness::answerListDialog(w, chosen); };
        {
            std::unique_ptr<WritesFail> failing(failedWrites && !unreadable ? new WritesFail
                                                                            : nullptr);
            h.start(false);
        }
        QTEST(driver.seen.join(QString()), "dialogs");
        QCOMPARE(h.window->globals().currentListName, current);
        QCOMPARE(h.entries(),
                 lists.contains(current) ? QStringList{"In " + current} : QStringList());
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
        if (failedWrites)
            QVERIFY(MsgBox::last().text.startsWith('*') &&
                    MsgBox::last().icon == MsgBox::Icon::None);
    }

    // The program's own start shows its window centred, with its emblem and icons.
    void startProgramShowsTheWindowCentred() {
        Harness h;
        h.folder.install(QStringLiteral("plist.ini"));
        h.folder.addList(QStringLiteral("Quillary.mdb"));
        h.folder.addContacts(QStringLiteral("Quillary.mdb"), {{"Amy"}});
        pList::startProgram();
        QPointer<pList> w = pList::instance();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("  Quillary"));
        QVERIFY(!w->Image2->pixmap().isNull() && w->Image2->isVisible());
        const QList<QSize> sizes = w->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(32, 32)) && sizes.contains(QSize(16, 16)));
        // The data control is never shown: no navigation buttons.
        QVERIFY(!w->findChild<QWidget*>(QStringLiteral("Data1")));
        const QPoint centre = w->screen()->availableGeometry().center();
        QVERIFY((w->frameGeometry().center() - centre).manhattanLength() <= 2);
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w);
        QCOMPARE(pList::instance(), nullptr);
    }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
