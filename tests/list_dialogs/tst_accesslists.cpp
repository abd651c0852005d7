// SPDX-License-Identifier: GPL-3.0-or-later
// Access lists met through the windows: at start-up, in the list chooser and in
// the area code window; the password dialog; damaged files; a program killed
// while it converts.
#include "support/AccessData.h"
#include "support/Failures.h"
#include "support/Harness.h"

#include "area_codes/AdoDataControl.h"
#include "area_codes/frmAreaCodes.h"
#include "outlook_import/BusyProgress.h"
#include "platform/Recordset.h"
#include "storage/AccessConversion.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace {
const QString quillary = QStringLiteral("Quillary.mdb");

// Answers the password dialog by typing each answer and pressing OK; with no
// answer left, Cancel. Other modal windows are run by other.
struct Answering : ModalDriver {
    QStringList answers;
    std::function<void(QWidget*)> other;
    explicit Answering(QStringList a) : answers(std::move(a)) {
        act = [this](QWidget* w) {
            auto* dialog = qobject_cast<QInputDialog*>(w);
            if (!dialog) {
                if (other)
                    other(w);
                return;
            }
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            if (answers.isEmpty()) {
                QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
                return;
            }
            QTest::keyClicks(dialog->findChild<QLineEdit*>(), answers.takeFirst());
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        };
    }
};

// The child of parent whose command is named command; 0 when there is none.
pid_t childOf(qint64 parent, const QByteArray& command) {
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(parent));
    for (const QByteArray& pid :
         children.open(QIODevice::ReadOnly) ? children.readAll().split(' ') : QByteArrayList()) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == command)
            return pid_t(pid.toInt());
    }
    return 0;
}

// The program started offscreen on a folder.
void startProgram(QProcess& program, const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/../app/quillary"),
                  {QStringLiteral("--folder"), folder});
}

// The converted list: its contacts exactly, the window listing them, the
// original kept byte for byte, one information box saying so.
void checkConverted(const Harness& h, const QString& file, const QString& mdb,
                    const QStringList& others) {
    const QStringList expected = tsvLines(mdb, QStringLiteral("pName2"));
    QCOMPARE(storedLines(h.folder.file(file), "pName2", expected.first().split('\t')), expected);
    QCOMPARE(sorted(h.entries()), sorted(tsvNames(expected)));
    const QString kept = file + QStringLiteral(".access-original");
    QCOMPARE(h.folder.read(kept), accessBytes(mdb));
    QCOMPARE(MsgBox::shown().size(), 1);
    const MsgBox::Shown box = MsgBox::last();
    QCOMPARE(box.icon, MsgBox::Icon::Information);
    for (const QString& part :
         QStringList{'"' + file + '"', QLocale().toString(expected.size() - 1), '"' + kept + '"'} +
             others)
        QVERIFY2(box.text.contains(part), qPrintable(box.text));
}
} // namespace

class tst_AccessLists : public QObject {
    Q_OBJECT
private slots:
    void init() { BusyProgress::setShowAfterMs(1000); }

    void startUp_data() {
        QTest::addColumn<QString>("mdb");
        QTest::addColumn<int>("cutTo");
        QTest::addColumn<QStringList>("answers");
        // Empty: converted; else what the refusal says.
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QStringList>("dialogs");
        const QStringList none;
        const QString asked = QStringLiteral("QInputDialog");
        QTest::newRow("Access 2000") << "small_V2000.mdb" << 0 << none << "" << none;
        QTest::newRow("Access 2010") << "small_V2010.accdb" << 0 << none << "" << none;
        QTest::newRow("password") << "password_V2000.mdb" << 0 << QStringList{"Geheim!42"} << ""
                                  << QStringList{asked};
        QTest::newRow("wrong password, cancelled")
            << "password_V2000.mdb" << 0 << QStringList{"Geheim!24"} << "-"
            << QStringList{asked, asked};
        QTest::newRow("damaged") << "small_V2000.mdb" << 65536 << none << "damaged" << none;
        QTest::newRow("no pName2")
            << "nopname2_V2000.mdb" << 0 << none << "is not a phonebook list" << none;
        QTest::newRow("thousands of contacts: the progress window")
            << "large_V2000.mdb" << 0 << none << "" << QStringList{"QProgressDialog"};
    }
    // The remembered list in Access format is converted and opened.
    void startUp() {
        QFETCH(QString, mdb);
        QFETCH(int, cutTo);
        QFETCH(QStringList, answers);
        QFETCH(QString, refusal);
        Harness h;
        h.folder.install(QStringLiteral("plist.ini"));
        const QByteArray original = accessBytes(mdb).left(cutTo ? cutTo : INT_MAX);
        h.folder.write(quillary, original);
        Answering driver(answers);
        if (mdb.startsWith(QLatin1String("large")))
            BusyProgress::setShowAfterMs(0);
        h.start();
        QTEST(driver.seen, "dialogs");
        if (refusal.isEmpty()) {
            checkConverted(h, quillary, mdb, {});
            return;
        }
        QCOMPARE(h.folder.read(quillary), original);
        QVERIFY(!h.folder.exists(quillary + QStringLiteral(".access-original")));
        QCOMPARE(h.entries(), QStringList());
        // A cancelled password is no refusal to report.
        if (refusal == QLatin1String("-")) {
            QCOMPARE(MsgBox::shown().size(), 0);
            return;
        }
        QVERIFY2(MsgBox::last().text.contains(refusal) && MsgBox::last().text.contains(quillary),
                 qPrintable(MsgBox::last().text));
    }

    void chooser_data() {
        QTest::addColumn<QString>("mdb");
        QTest::addColumn<int>("cutTo");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("old");
        QTest::addColumn<bool>("diskFull");
        const QString mdb = QStringLiteral("Old.mdb");
        QTest::newRow("extra column and table") << "extra_V2000.mdb" << 0 << "" << mdb << false;
        QTest::newRow("other letter cases") << "case_V2000.mdb" << 0 << "" << mdb << false;
        QTest::newRow("cut short") << "extra_V2000.mdb" << 100000 << "damaged" << mdb << false;
        QTest::newRow("an .accdb list keeps its name") << "small_V2010.accdb" << 0 << ""
                                                       << "Old.accdb" << false;
        QTest::newRow("the disk fills") << "small_V2000.mdb" << 0 << "disk is full" << mdb << true;
    }
    // A list chosen in the chooser is converted and made current; a refused one
    // keeps the chooser open and the current list as it was.
    void chooser() {
        QFETCH(QString, mdb);
        QFETCH(int, cutTo);
        QFETCH(QString, refusal);
        QFETCH(QString, old);
        QFETCH(bool, diskFull);
        Harness h;
        pList& w = h.startWith({{QStringLiteral("Home")}});
        const QByteArray original = accessBytes(mdb).left(cutTo ? cutTo : INT_MAX);
        h.folder.write(old, original);
        const QStringList files = folderContents(h.folder.path()).keys();
        // The new list is written beside the original under a hidden name.
        std::optional<DiskFull> full;
        if (diskFull)
            full.emplace(".quillary-access-");
        ModalDriver driver;
        driver.act = [&](QWidget* d) {
            Harness::answerListDialog(d, old);
            QCOMPARE(d->isVisible(), !refusal.isEmpty());
        };
        w.DBSwitch->trigger();
        full.reset();
        if (refusal.isEmpty()) {
            QCOMPARE(w.globals().currentListName, old);
            const QStringList others = tsvLines(mdb, "Categories").isEmpty()
                                           ? QStringList()
                                           : QStringList{QStringLiteral("Categories")};
            checkConverted(h, old, mdb, others);
            QCOMPARE(w.windowTitle(), QStringLiteral("  Old List"));
            return;
        }
        QCOMPARE(w.globals().currentListName, quillary);
        QCOMPARE(h.entries(), QStringList{QStringLiteral("Home")});
        QCOMPARE(h.folder.read(old), original);
        QCOMPARE(folderContents(h.folder.path()).keys(), files);
        QVERIFY2(MsgBox::last().text.contains(refusal) && MsgBox::last().text.contains(old),
                 qPrintable(MsgBox::last().text));
    }

    // The area code window opens an area code file in Access format.
    void areaCodeWindow() {
        Harness h;
        h.folder.write(QStringLiteral("AreaCodes.dat"), accessBytes("AreaCodes_V2000.mdb"));
        h.startWith({}).AreaCodeLookup->trigger();
        frmAreaCodes* w = frmAreaCodes::instance();
        QVERIFY(w);
        const QStringList expected = tsvLines("AreaCodes_V2000.mdb", "TelephoneAreas");
        QCOMPARE(storedLines(h.folder.file("AreaCodes.mdb"), "TelephoneAreas",
                             expected.first().split('\t')),
                 expected);
        QCOMPARE(w->datPrimaryRS->recordset().recordCount(), expected.size() - 1);
        QCOMPARE(h.folder.read("AreaCodes.mdb.access-original"),
                 accessBytes("AreaCodes_V2000.mdb"));
        QVERIFY(MsgBox::last().text.contains(QStringLiteral("20 area codes")));
        w->close();
    }

    // A template in Access format is converted when a new list is first made from it.
    void templateInAccessFormat() {
        Harness h;
        h.startWith({});
        h.folder.write(QStringLiteral("Template.dat"), accessBytes("small_V2003.mdb"));
        ModalDriver driver;
        driver.act = [](QWidget* d) { Harness::answerListDialog(d, "Family"); };
        h.window->MakeDB->trigger();
        const QStringList expected = tsvLines("small_V2003.mdb", "pName2");
        for (const char* made : {"Template.dat", "Family.mdb"})
            QCOMPARE(storedLines(h.folder.file(made), "pName2", expected.first().split('\t')),
                     expected);
        QCOMPARE(h.folder.read("Template.dat.access-original"), accessBytes("small_V2003.mdb"));
    }

    // The program killed at any moment of a conversion leaves the Access list
    // under its name, or the converted list and the kept original; nothing
    // half-written outlives the next conversion.
    void killDuringConversion() {
        const QByteArray original = accessBytes("large_V2000.mdb");
        int unconverted = 0, converted = 0;
        for (int delayMs : {0, 150, 300, 450, 600, 800, 1200}) {
            TestFolder folder;
            folder.write(quillary, original);
            QProcess program;
            startProgram(program, folder.path());
            QVERIFY(program.waitForStarted());
            QThread::msleep(ulong(delayMs));
            program.kill();
            program.waitForFinished();
            const auto files = folderContents(folder.path());
            QStringList kept;
            for (auto it = files.begin(); it != files.end(); ++it)
                if (it.key().endsWith(QLatin1String(".access-original"))) {
                    QCOMPARE(it.value(), original);
                    kept << it.key();
                }
            if (files.value(quillary) == original) {
                ++unconverted;
                // Converting again clears what the killed program left half-written.
                AccessConversion::convert(folder.file(quillary), QStringLiteral("pName2"), {});
                for (const QString& name : folderContents(folder.path()).keys())
                    QVERIFY2(!name.startsWith(QLatin1String(".quillary-access-")),
                             qPrintable(name));
                continue;
            }
            QCOMPARE(kept.size(), 1);
            QCOMPARE(storedLines(folder.file(quillary), "pName2", {"pName"}).size(),
                     tsvLines("large_V2000.mdb", "pName2").size());
            ++converted;
        }
        qInfo("killed %d times before the converted list was in place, %d after", unconverted,
              converted);
    }

    // The Access reader ends with its program, even one held still when the
    // program is killed.
    void readerEndsWithTheProgram() {
        // The reader, orphaned, comes to this process, which sees it end.
        QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
        TestFolder folder;
        folder.write(quillary, accessBytes("large_V2000.mdb"));
        QProcess program;
        startProgram(program, folder.path());
        QVERIFY(program.waitForStarted());
        pid_t reader = 0;
        QElapsedTimer clock;
        for (clock.start(); !reader && clock.elapsed() < 30000;)
            reader = childOf(program.processId(), "quillary-access");
        QVERIFY(reader);
        ::kill(reader, SIGSTOP);
        program.kill();
        program.waitForFinished();
        pid_t ended = 0;
        for (clock.restart(); !ended && clock.elapsed() < 5000; QThread::msleep(10))
            ended = ::waitpid(reader, nullptr, WNOHANG);
        if (!ended)
            ::kill(reader, SIGKILL);
        ::waitpid(reader, nullptr, 0);
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
        QCOMPARE(ended, reader);
    }
};

QTEST_MAIN(tst_AccessLists)
#include "tst_accesslists.moc"
