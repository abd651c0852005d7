// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Harness.h"

#include "area_codes/frmAreaCodes.h"
#include "platform/Database.h"

namespace {
const QString open = QStringLiteral("AreaCodes.mdb");
const QString closed = QStringLiteral("AreaCodes.dat");
} // namespace

class tst_shutdown : public QObject {
    Q_OBJECT
private slots:
    void everyWayOut_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("newContact");
        // The area code file's names before ("window": opened by its window, which
        // is closed again; "held": open elsewhere) and after.
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        const auto row = [](const char* tag, const char* way, bool newContact,
                            const QStringList& before, const QStringList& after) {
            QTest::newRow(tag) << QString::fromLatin1(way) << newContact << before << after;
        };
        row("Exit: the open name is renamed back", "Exit", false, {open}, {closed});
        row("E&xit, a new contact", "Exit2", true, {open}, {closed});
        row("close box, a new contact", "close", true, {closed}, {closed});
        row("close box, no area code file", "close", false, {}, {});
        row("both names stay", "Exit", false, {open, closed}, {open, closed});
        row("after the area code window closed", "Exit", false, {closed, "window"}, {closed});
        row("held elsewhere: the window closes all the same", "Exit", false, {open, "held"},
            {open});
    }
    // Every way out stores the edit and puts the area code file back under its
    // closed name when it can, without a word.
    void everyWayOut() {
        QFETCH(QString, way);
        QFETCH(bool, newContact);
        QFETCH(QStringList, before);
        Harness h;
        for (const QString& name : {open, closed})
            if (before.contains(name))
                h.folder.install(closed, name);
        pList& w = h.startWith({{"Amy", "Co"}});
        if (before.contains(QStringLiteral("window"))) {
            w.AreaCodeLookup->trigger();
            QVERIFY(h.folder.exists(open));
            frmAreaCodes::instance()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        std::unique_ptr<Database> held;
        if (before.contains(QStringLiteral("held")))
            held = std::make_unique<Database>(h.folder.file(open));
        if (newContact) {
            QTest::mouseClick(w.cmdAdd, Qt::LeftButton);
            Harness::type(w.Text1, QStringLiteral("Zoë d'Arc"));
        } else {
            Harness::type(w.Text11, QStringLiteral("New Co 'Ltd'"));
        }
        Harness::type(w.Text9, QStringLiteral("wa"));
        if (way == QLatin1String("close"))
            w.close();
        else
            w.findChild<QAction*>(way)->trigger();
        QCOMPARE(h.endCalls, way == QLatin1String("close") ? 0 : 1);
        QVERIFY(!w.isVisible());
        QFETCH(QStringList, after);
        QCOMPARE(h.folder.exists(open), after.contains(open));
        QCOMPARE(h.folder.exists(closed), after.contains(closed));
        QVERIFY(MsgBox::shown().isEmpty());
        const QStringList last = h.stored().constLast();
        QCOMPARE(h.stored().size(), newContact ? 2 : 1);
        const QStringList expected =
            newContact ? QStringList{"Zoë d'Arc", QString()} : QStringList{"Amy", "New Co 'Ltd'"};
        QCOMPARE(last.mid(0, 2), expected);
        QCOMPARE(last.at(5).toUpper(), QStringLiteral("WA"));
    }

    void storedBeforeTheEnd_data() {
        QTest::addColumn<QString>("way");
        for (const char* way : {"Exit", "Exit2", "close", "DBSwitch", "MakeDB", "none"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }
    // Every way out of the program or its list stores the contact being edited
    // before the window is destroyed; one still waiting then, that cannot be
    // stored, is reported on the standard error with what it held.
    void storedBeforeTheEnd() {
        QFETCH(QString, way);
        Harness h;
        h.folder.addList(QStringLiteral("Other.mdb"));
        h.folder.install(QStringLiteral("Template.dat"));
        // The list refuses every store: from the start when there is no way out
        // (the window holds the list open), else once the way out is taken.
        const QString refuse = QStringLiteral("CREATE TRIGGER refused BEFORE UPDATE ON pName2 "
                                              "BEGIN SELECT RAISE(ABORT, 'full'); END");
        const bool noWayOut = way == QLatin1String("none");
        pList& w = h.startWith({{"Amy", "Co"}}, noWayOut ? refuse : QString());
        Harness::type(w.Text11, QStringLiteral("New Co"));
        ModalDriver driver;
        driver.act = [](QWidget* d) {
            Harness::answerListDialog(d, qobject_cast<frmFM*>(d) ? "Other.mdb" : "Family");
        };
        if (way == QLatin1String("close"))
            w.close();
        else if (!noWayOut)
            w.findChild<QAction*>(way)->trigger();
        if (!noWayOut)
            h.exec(QStringLiteral("Quillary.mdb"), refuse.toUtf8().constData());
        const QRegularExpression report(QStringLiteral("not stored.*CompanyName=New Co"));
        if (noWayOut)
            QTest::ignoreMessage(QtWarningMsg, report);
        else
            QTest::failOnWarning(report);
        h.window.reset();
        QCOMPARE(h.stored().constFirst().at(1), noWayOut ? "Co" : "New Co");
        QVERIFY(MsgBox::shown().isEmpty());
    }
};

QTEST_MAIN(tst_shutdown)
#include "tst_shutdown.moc"
