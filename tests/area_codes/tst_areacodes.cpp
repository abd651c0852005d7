// SPDX-License-Identifier: GPL-3.0-or-later
#include "area_codes/AdoDataControl.h"
#include "area_codes/frmAreaCodes.h"
#include "platform/RunError.h"
#include "storage/ListFiles.h"
#include "support/Harness.h"

#include <QDir>

namespace {
const QString kDat = QStringLiteral("AreaCodes.dat");
const QString kMdb = QStringLiteral("AreaCodes.mdb");
const QString kRows = QStringLiteral("SELECT quote(AreaCode), Description, Location FROM "
                                     "TelephoneAreas");

// Straight from a database file, past the window: every cell, "|"-joined.
QString rowText(const QString& file, const QString& sql) {
    QStringList cells;
    for (const QStringList& row : queryRows(file, sql))
        cells << row;
    return cells.join(QLatin1Char('|'));
}

// The area codes of the installed file, in its order.
QStringList installedCodes(const QString& where = QString()) {
    const QString sql = "SELECT AreaCode FROM TelephoneAreas" + where + " ORDER BY rowid";
    return rowText(installedDataFile(kDat), sql).split('|', Qt::SkipEmptyParts);
}

// Selects all of a field's text and types over it.
void type(QWidget* field, const QString& text) {
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// The last line of each box shown, after "!" when it has an icon, "?" when more buttons.
QStringList shownTexts() {
    QStringList texts;
    for (const MsgBox::Shown& s : MsgBox::shown())
        texts << QString(s.icon == MsgBox::Icon::None ? "" : "!") +
                     (s.buttons == MsgBox::Buttons::Ok ? "" : "?") + s.text.split('\n').last();
    return texts;
}

frmAreaCodes* open() {
    frmAreaCodes::display();
    frmAreaCodes* w = frmAreaCodes::instance();
    if (w)
        (void)QTest::qWaitForWindowActive(w);
    return w;
}
QString code(frmAreaCodes* w) {
    return qobject_cast<QLineEdit*>(w->txtFields[0])->text();
}

// One step of a user: a button by its caption or name ("Go", "Add", "First", "Next");
// "click " a search field ("code", "where") or the description;
// "enter" in the search field that holds text; "code=" and "where="
// fill the search fields, "0=", "1=", "2=" type into a record field; "pending="
// leaves an error pending; "display" chooses the window's command again.
void act(frmAreaCodes* w, const QString& step) {
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (b->text().remove('&') == step || b->accessibleName() == step)
            return Harness::click(b);
    const QString value = step.section('=', 1);
    if (step.startsWith("code="))
        w->Text1[0]->setText(value);
    else if (step.startsWith("where="))
        w->Text1[1]->setText(value);
    else if (step.startsWith("pending="))
        PendingError::set(RunError::of(value.toInt()));
    else if (step.contains('='))
        type(w->txtFields[step.left(1).toInt()], value);
    else if (step.startsWith("click "))
        Harness::click(step.endsWith("code")    ? w->Text1[0]
                       : step.endsWith("where") ? w->Text1[1]
                                                : w->txtFields[1]);
    else if (step == "enter")
        QTest::keyClick(w->Text1[w->Text1[0]->text().isEmpty() ? 1 : 0], Qt::Key_Return);
    else if (step == "display")
        frmAreaCodes::display();
    else if (step == "close")
        w->close();
}
} // namespace

class tst_AreaCodes : public QObject {
    Q_OBJECT

    std::unique_ptr<TestFolder> folder;
    QString mdb() const { return folder->file(kMdb); }

private slots:
    void init() {
        MsgBox::setScripted(true);
        MsgBox::clearShown();
        PendingError::clear();
        folder = std::make_unique<TestFolder>();
        folder->install(kDat);
    }
    void cleanup() {
        if (auto* w = frmAreaCodes::instance())
            w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frmAreaCodes::instance());
        folder.reset();
        PendingError::clear();
    }

    void renameAtLoad_data() {
        QTest::addColumn<QString>("dat"); // "installed", other bytes, or empty: no file
        QTest::addColumn<QString>("mdb");
        QTest::addColumn<QString>("message"); // the start of the one box shown
        auto row = [](const char* name, const QString& dat, const QString& mdb,
                      const QString& message = "") {
            QTest::newRow(name) << dat << mdb << message;
        };
        row("only .dat: renamed", "installed", "");
        row("only .mdb: opened as it is", "", "installed");
        row("both: neither touched, .mdb used", "other", "installed", "!Both");
        row("neither: told, window usable", "", "", "!*3024");
        row("not a database: told, file kept", "", QString(600, 'x'), "!*3343");
    }
    void renameAtLoad() {
        QFETCH(QString, dat);
        QFETCH(QString, mdb);
        QFETCH(QString, message);
        QFile::remove(folder->file(kDat));
        for (auto [bytes, name] : {std::pair{dat, kDat}, std::pair{mdb, kMdb}})
            if (bytes == "installed")
                folder->install(kDat, name);
            else if (!bytes.isEmpty())
                folder->write(name, bytes.toLatin1());
        const bool opened = dat == "installed" || mdb == "installed";
        frmAreaCodes* w = open();
        QCOMPARE(shownTexts().join("").left(message.size()), message);
        QCOMPARE(MsgBox::shown().size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(code(w), opened ? installedCodes().first() : QString());
        QCOMPARE(w->Label4->text(), QDir::toNativeSeparators(folder->path() + "/AreaCodes.mdb"));
        QCOMPARE(folder->exists(kMdb), !(dat + mdb).isEmpty());
        QCOMPARE(folder->read(kDat), dat == "installed" ? QByteArray() : dat.toLatin1());
        if (!opened)
            QCOMPARE(folder->read(kMdb), mdb.toLatin1());
        // In use the file keeps its open name; once closed it can go back.
        const bool oneName = opened && (dat.isEmpty() || mdb.isEmpty());
        if (oneName)
            QVERIFY_THROWS_EXCEPTION(RunError, ListFiles::closeAreaCodes());
        // Still usable: a search reports the same failure.
        act(w, "where=ny");
        act(w, "Go");
        QCOMPARE(MsgBox::shown().size(), message.isEmpty() ? 0 : opened ? 1 : 2);
        Harness::click(w->cmdClose);
        if (oneName)
            ListFiles::closeAreaCodes();
    }

    // What the window shows and the file holds after a user's steps.
    void session_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");  // the area code field and the bar's caption
        QTest::addColumn<QString>("status"); // Label5 and the two search fields
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("stored"); // "same" as installed, or a WHERE => its rows
        const QStringList all = installedCodes();
        const QStringList ca = installedCodes(" WHERE Location='CA'");
        const QString ny = installedCodes(" WHERE Location='NY'").first();
        auto n = [&](qsizetype i) { return all.at(i < 0 ? all.size() + i : i); };
        auto at = [](qsizetype i) { return QStringLiteral(" Record: %1").arg(i); }; // -3: none
        auto found = [](const char* location) {
            return QStringLiteral("Search retrieved %1 area codes.")
                .arg(installedCodes(QStringLiteral(" WHERE Location='%1'").arg(location)).size());
        };
        auto row = [](const QString& name, const QStringList& steps, const QString& shown,
                      const QString& status = "Search||", const QStringList& boxes = {},
                      const QString& stored = "same") {
            QTest::newRow(qPrintable(name)) << steps << shown << status << boxes << stored;
        };
        const qsizetype last = all.size();
        row("opened: the full list, first record current", {}, n(0) + at(1));
        row("shown again: only brought forward", {"Next", "Next", "display"}, n(2) + at(3));
        row("Previous on the first stays on the first", {"Previous"}, n(0) + at(1));
        row("Next on the last stays on the last", {"Last", "Next"}, n(-1) + at(last));
        row("Last, then Previous", {"Last", "Previous"}, n(-2) + at(last - 1));
        row("location by Go", {"where=ca", "Go"}, ca[0] + at(1), found("CA") + "||CA");
        row("location by Enter", {"where=Ny", "enter"}, ny + at(1), found("NY") + "||NY");
        row("location matching nothing", {"where=zz", "Go"}, at(-3), found("ZZ") + "||ZZ");
        row("apostrophe in a location", {"where=o'x", "enter"}, at(-3), found("O''X") + "||O'X");
        row("Refresh runs the filter again", {"where=tx", "Go", "Last", "Refresh"},
            installedCodes(" WHERE Location='TX'").first() + at(1), found("TX") + "||TX");
        row("area code ahead", {"code=" + n(40), "Go"}, n(40) + at(41), "Search|" + n(40) + "|");
        row("area code of the current one", {"code=" + n(0), "Go"}, n(0) + at(1),
            "Search|" + n(0) + "|");
        row("area code only behind: none, then none after",
            {"Last", "code=" + n(0), "Go", "code=" + n(-1), "Go"}, at(-3), "Search|" + n(-1) + "|");
        row("no such area code", {"code=999", "Go"}, at(-3), "Search|999|");
        row("area code inside the filter", {"where=ca", "Go", "code=" + ca.last(), "Go"},
            ca.last() + at(ca.size()), found("CA") + "|" + ca.last() + "|CA");
        row("area code outside the filter", {"where=ca", "Go", "code=" + ny, "Go"}, at(-3),
            found("CA") + "|" + ny + "|CA");
        row("area code wins over location", {"code=" + n(10), "where=ca", "Go"}, n(10) + at(11),
            "Search|" + n(10) + "|ca");
        row("both search fields empty: Go does nothing", {"Next", "Go"}, n(1) + at(2));
        row("both search fields empty: Enter does nothing", {"Next", "enter"}, n(1) + at(2));
        row("into the location: code emptied; out: capitals",
            {"code=212", "click where", "where=tx", "click description"}, n(0) + at(1),
            "Search||TX");
        row("into the area code: location emptied", {"where=tx", "click code"}, n(0) + at(1));
        row("Reset", {"where=ca", "Go", "Last", "code=415", "Reset"}, n(0) + at(1), "Search ||");
        const QStringList added = {"Add", "0=999", "1=Test area", "2=ZZ"};
        const QString zz = "Location='ZZ' => 999|Test area|ZZ";
        row("added, stored by Update", added + QStringList{"Update"}, "999" + at(last + 1),
            "Search||", {}, zz);
        row("added, stored by moving off it", added + QStringList{"First"}, n(0) + at(1),
            "Search||", {}, zz);
        const QStringList first =
            rowText(installedDataFile(kDat), kRows + " WHERE rowid=1").split('|');
        row("edited, stored by moving off it", {"1=Changed text", "Next"}, n(1) + at(2), "Search||",
            {}, "rowid=1 => " + first[0] + "|Changed text|" + first[2]);
        row("emptied area code stored empty", {"0=", "Next"}, n(1) + at(2), "Search||", {},
            "rowid=1 => NULL|" + first[1] + "|" + first[2]);
        row("delete: the next one", {"Next", "Delete"}, n(2) + at(2), "Search||", {},
            "AreaCode=" + n(1) + " => ");
        row("delete the last: the new last one", {"Last", "Delete"}, n(-2) + at(last - 1),
            "Search||", {}, "AreaCode=" + n(-1) + " => ");
        row("delete the only record of a filter",
            {"Add", "0=998", "2=QQ", "Update", "where=qq", "Go", "Delete"}, at(-3),
            "Search retrieved 1 area codes.||QQ", {}, "AreaCode=998 => ");
        // The failure a handler caught is not pending after it: a refused move stays silent.
        row("delete with no current record: its description",
            {"code=999", "Go", "Delete", "First", "0=abc", "Next"}, "abc" + at(1), "Search|999|",
            {RunError::of(ErrNo::NoCurrentRecord).description()});
        for (QString text : {"abc", "2O1", "0 OR 1=1", "201; DELETE FROM TelephoneAreas", "-201"})
            row("search text not a number: " + text, {"Next", "code=" + text, "Go"}, n(1) + at(2),
                "Search|" + text + "|", {"*13 Type mismatch"});
        // A bar move that cannot store the record reports as the pending error says.
        for (int pending : {0, 13, 52, 53, 70, 3022}) {
            const QString hit = QStringLiteral("*%1 Data error event hit err:Type mismatch");
            row(QStringLiteral("error notification, %1 pending").arg(pending),
                {"0=abc", "pending=" + QString::number(pending), "Next"}, "abc" + at(1), "Search||",
                pending < 70 ? QStringList() : QStringList{hit.arg(pending), "!Type mismatch"});
        }
        // Update, Refresh, the search and closing all refuse an area code that is no number.
        const QStringList refused = {"2=QQ", "Update", "Refresh", "code=212", "Go", "close"};
        const QStringList told = {"Type mismatch", "Type mismatch", "*13 Type mismatch",
                                  "!*13 Type mismatch"};
        row("area code not a number", QStringList{"0=abc"} + refused, "", "", told);
        row("area code not a number, SQL in it",
            QStringList{"0=1); DROP TABLE TelephoneAreas;--"} + refused, "", "", told);
        row("new area code not a number", QStringList{"Add", "0=x12"} + refused, "", "", told);
        row("failing Reset still clears the search",
            {"where=ca", "Go", "0=abc", "where=CA", "Reset", "0=209", "Refresh"}, n(0) + at(1),
            "Search ||", {"!*13 Type mismatch"});
    }
    void session() {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        QPointer<frmAreaCodes> w = open();
        for (const QString& step : steps)
            act(w, step);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTEST(shownTexts(), "boxes");
        for (const MsgBox::Shown& s : MsgBox::shown())
            QCOMPARE(s.title, QStringLiteral("Quillary"));
        if (w) {
            QCOMPARE(code(w) + " " + w->datPrimaryRS->caption(), shown);
            QTEST(w->Label5->text() + "|" + w->Text1[0]->text() + "|" + w->Text1[1]->text(),
                  "status");
        }
        if (stored == "same")
            QCOMPARE(rowText(mdb(), kRows), rowText(installedDataFile(kDat), kRows));
        else
            QCOMPARE(rowText(mdb(), kRows + " WHERE " + stored.section(" => ", 0, 0)),
                     stored.section(" => ", 1));
    }

    void noStaleErrorFromTheMainWindow() {
        folder.reset();
        Harness h;
        h.folder.install(kDat);
        // Refreshing an empty list skips a failing step in the main window.
        h.startWith({}).AreaCodeLookup->trigger();
        frmAreaCodes* w = open();
        act(w, "0=abc");
        act(w, "Next");
        // The move is refused without a word: no error of the finished refresh shows.
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(code(w), QStringLiteral("abc"));
    }
};

QTEST_MAIN(tst_AreaCodes)
#include "tst_areacodes.moc"
