#include "MainWindowHarness.h"

#include "about/frmAbout.h"
#include "area_codes/frmAreaCodes.h"
#include "platform/Database.h"

#include <QTimer>

namespace {
const QString open = QStringLiteral("AreaCodes.mdb");
const QString closed = QStringLiteral("AreaCodes.dat");
} // namespace

class tst_shutdown : public QObject {
    Q_OBJECT
private slots:
    void exitPutsTheAreaCodeFileBack_data();
    void exitPutsTheAreaCodeFileBack();
    void renameThatFailsDoesNotHoldUpTheClose();
    void editSurvivesEveryWayOut_data();
    void editSurvivesEveryWayOut();
    void areaCodeWindowOpenedAndClosedThenExit();
    void closeBoxLeavesOtherWindowsRunning();
};

void tst_shutdown::exitPutsTheAreaCodeFileBack_data() {
    QTest::addColumn<bool>("viaExit2");
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<bool>("closedBefore");
    QTest::addColumn<bool>("openAfter");
    QTest::addColumn<bool>("closedAfter");
    QTest::newRow("open name is renamed back") << false << true << false << false << true;
    QTest::newRow("hidden E&xit alike") << true << true << false << false << true;
    QTest::newRow("never opened: folder unchanged") << false << false << true << false << true;
    QTest::newRow("no area code file at all") << false << false << false << false << false;
    QTest::newRow("both names present: both stay") << false << true << true << true << true;
}

void tst_shutdown::exitPutsTheAreaCodeFileBack() {
    QFETCH(bool, viaExit2);
    QFETCH(bool, openBefore);
    QFETCH(bool, closedBefore);
    Harness h;
    if (openBefore)
        h.folder.install(closed, open);
    if (closedBefore)
        h.folder.install(closed);
    pList& w = h.startWith({{"Amy"}});
    (viaExit2 ? w.Exit2 : w.Exit)->trigger();
    QCOMPARE(h.endCalls, 1);
    QVERIFY(!w.isVisible());
    QTEST(h.folder.exists(open), "openAfter");
    QTEST(h.folder.exists(closed), "closedAfter");
    QVERIFY(MsgBox::shown().isEmpty());
    QCOMPARE(h.storedNames(), QStringList{"Amy"});
}

// The area code file still held open: the window closes all the same, silently,
// and the file keeps its open name for the next try.
void tst_shutdown::renameThatFailsDoesNotHoldUpTheClose() {
    Harness h;
    h.folder.install(closed, open);
    pList& w = h.startWith({{"Amy"}});
    {
        Database held(h.folder.file(open));
        w.Exit->trigger();
        QCOMPARE(h.endCalls, 1);
        QVERIFY(!w.isVisible());
        QVERIFY(MsgBox::shown().isEmpty());
        QVERIFY(h.folder.exists(open));
        QVERIFY(!h.folder.exists(closed));
    }
}

void tst_shutdown::editSurvivesEveryWayOut_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("newContact");
    QTest::addColumn<int>("ends");
    QTest::newRow("Exit, edited contact") << "Exit" << false << 1;
    QTest::newRow("Exit, new contact") << "Exit" << true << 1;
    QTest::newRow("E&xit, edited contact") << "Exit2" << false << 1;
    QTest::newRow("close box, edited contact") << "close" << false << 0;
    QTest::newRow("close box, new contact") << "close" << true << 0;
}

void tst_shutdown::editSurvivesEveryWayOut() {
    QFETCH(QString, way);
    QFETCH(bool, newContact);
    Harness h;
    pList& w = h.startWith({{"Amy", "Co"}});
    if (newContact) {
        QTest::mouseClick(w.cmdAdd, Qt::LeftButton);
        Harness::typeText(w.Text1, QStringLiteral("Zoë d'Arc"));
    } else {
        Harness::type(w.Text11, QStringLiteral("New Co 'Ltd'"));
    }
    Harness::type(w.Text9, QStringLiteral("wa"));
    if (way == QLatin1String("Exit"))
        w.Exit->trigger();
    else if (way == QLatin1String("Exit2"))
        w.Exit2->trigger();
    else
        w.close();
    QTEST(h.endCalls, "ends");
    const QList<QStringList> rows = h.stored();
    if (newContact) {
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(1).at(0), QStringLiteral("Zoë d'Arc"));
        QCOMPARE(rows.at(1).at(5).toUpper(), QStringLiteral("WA"));
    } else {
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).at(1), QStringLiteral("New Co 'Ltd'"));
        QCOMPARE(rows.at(0).at(5).toUpper(), QStringLiteral("WA"));
    }
}

void tst_shutdown::areaCodeWindowOpenedAndClosedThenExit() {
    Harness h;
    h.folder.install(closed);
    pList& w = h.startWith({{"Amy"}});
    w.AreaCodeLookup->trigger();
    QVERIFY(frmAreaCodes::instance());
    QVERIFY(h.folder.exists(open));
    frmAreaCodes::instance()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w.Exit->trigger();
    QCOMPARE(h.endCalls, 1);
    QVERIFY(h.folder.exists(closed));
    QVERIFY(!h.folder.exists(open));
}

// The close box ends only the main window; the program runs on while another
// window is open, and then ends as the last one closes.
void tst_shutdown::closeBoxLeavesOtherWindowsRunning() {
    Harness h;
    pList& w = h.startWith({{"Amy"}});
    QVERIFY(QApplication::quitOnLastWindowClosed());
    w.About->trigger();
    QVERIFY(frmAbout::instance() && frmAbout::instance()->isVisible());
    w.close();
    QCOMPARE(h.endCalls, 0);
    QVERIFY(frmAbout::instance() && frmAbout::instance()->isVisible());
    // The program runs until the About box closes too.
    bool aboutClosed = false;
    bool stuck = false;
    QTimer::singleShot(0, qApp, [&] {
        aboutClosed = true;
        frmAbout::instance()->close();
    });
    QTimer::singleShot(20000, qApp, [&] {
        stuck = true;
        QCoreApplication::quit();
    });
    QApplication::exec();
    QVERIFY(aboutClosed);
    QVERIFY(!stuck);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(tst_shutdown)
#include "tst_shutdown.moc"
