#include "area_codes/AdoDataControl.h"
#include "area_codes/frmAreaCodes.h"
#include "main_window/MainWindowHarness.h"
#include "platform/Recordset.h"
#include "platform/RunError.h"
#include "storage/ListFiles.h"

#include <QDir>
#include <QToolButton>

namespace {
const QString kDat = QStringLiteral("AreaCodes.dat");
const QString kMdb = QStringLiteral("AreaCodes.mdb");

// Straight from a database file, past the window: every cell, "|"-joined.
QString rowText(const QString& file, const QString& sql) {
    SQLite::Database db(file.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement q(db, sql.toStdString());
    QStringList cells;
    while (q.executeStep())
        for (int i = 0; i < q.getColumnCount(); ++i)
            cells << QString::fromStdString(q.getColumn(i).getString());
    return cells.join(QLatin1Char('|'));
}

QList<qint64> codesIn(const QString& file, const QString& where = QString()) {
    QList<qint64> out;
    const QString sql = "SELECT AreaCode FROM TelephoneAreas" +
                        (where.isEmpty() ? QString() : " WHERE " + where) + " ORDER BY rowid";
    for (const QString& code : rowText(file, sql).split('|', Qt::SkipEmptyParts))
        out << code.toLongLong();
    return out;
}

QList<qint64> installedCodes(const QString& where = QString()) {
    return codesIn(installedDataFile(kDat), where);
}

// A click where a person clicks: on the window, at the middle of the control.
void click(QWidget* control) {
    QWidget* top = control->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {},
                      control->mapTo(top, control->rect().center()));
}

void type(QWidget* field, const QString& text) {
    if (auto* l = qobject_cast<QLineEdit*>(field))
        l->clear();
    else
        qobject_cast<QPlainTextEdit*>(field)->clear();
    QTest::keyClicks(field, text);
}

QStringList shownTexts() {
    QStringList texts;
    for (const MsgBox::Shown& s : MsgBox::shown())
        texts << s.text;
    return texts;
}
} // namespace

class tst_AreaCodes : public QObject {
    Q_OBJECT

    std::unique_ptr<TestFolder> folder;

    static frmAreaCodes* open() {
        frmAreaCodes::display();
        frmAreaCodes* w = frmAreaCodes::instance();
        if (w)
            (void)QTest::qWaitForWindowExposed(w);
        return w;
    }
    static QString code(frmAreaCodes* w) {
        return qobject_cast<QLineEdit*>(w->txtFields[0])->text();
    }
    static QString caption(frmAreaCodes* w) { return w->datPrimaryRS->caption(); }
    static qint64 count(frmAreaCodes* w) { return w->datPrimaryRS->recordset().recordCount(); }
    static QString source(frmAreaCodes* w) { return w->datPrimaryRS->recordSource(); }
    // Every record of the set, walked with the navigation bar.
    static QList<qint64> walk(frmAreaCodes* w) {
        QList<qint64> out;
        click(w->datPrimaryRS->firstButton());
        for (QString before; !code(w).isEmpty() && caption(w) != before;) {
            out << code(w).toLongLong();
            before = caption(w);
            click(w->datPrimaryRS->nextButton());
        }
        return out;
    }
    QString mdb() const { return folder->file(kMdb); }
    QString table() const { return rowText(mdb(), "SELECT * FROM TelephoneAreas"); }

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

    void loadShowsFullListAndDisplayAgainOnlyBringsForward() {
        frmAreaCodes* w = open();
        QCOMPARE(w->Label5->text(), QStringLiteral("Search"));
        QCOMPARE(w->Label4->text(), QDir::toNativeSeparators(folder->path() + "/AreaCodes.mdb"));
        QCOMPARE(walk(w), installedCodes());
        click(w->datPrimaryRS->firstButton());
        click(w->datPrimaryRS->nextButton());
        const QString shown = code(w);
        frmAreaCodes::display();
        QCOMPARE(frmAreaCodes::instance(), w);
        QCOMPARE(caption(w), QStringLiteral("Record: 2"));
        QCOMPARE(code(w), shown);
        QVERIFY(MsgBox::shown().isEmpty());
    }

    void renameAtLoad_data() {
        QTest::addColumn<QByteArray>("dat"); // "installed", other bytes, or empty: no file
        QTest::addColumn<QByteArray>("mdb");
        QTest::addColumn<QString>("message");
        QTest::newRow("only .dat: renamed") << QByteArray("installed") << QByteArray() << "";
        QTest::newRow("only .mdb: opened as it is")
            << QByteArray() << QByteArray("installed") << "";
        QTest::newRow("both: neither touched, .mdb used")
            << QByteArray("another copy") << QByteArray("installed")
            << "Both AreaCodes.dat and AreaCodes.mdb";
        QTest::newRow("neither: told, window usable") << QByteArray() << QByteArray() << "*3024";
        QTest::newRow("not a database: told, file kept")
            << QByteArray() << QByteArray(4096, 'x') << "*3343";
    }
    void renameAtLoad() {
        QFETCH(QByteArray, dat);
        QFETCH(QByteArray, mdb);
        QFETCH(QString, message);
        QFile::remove(folder->file(kDat));
        for (auto [bytes, name] : {std::pair{dat, kDat}, std::pair{mdb, kMdb}})
            if (bytes == "installed")
                folder->install(kDat, name);
            else if (!bytes.isEmpty())
                folder->write(name, bytes);
        const bool opened = dat == "installed" || mdb == "installed";

        frmAreaCodes* w = open();
        QVERIFY2(shownTexts().join("").contains(message), qPrintable(shownTexts().join("")));
        QCOMPARE(MsgBox::shown().size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(code(w), opened ? QString::number(installedCodes().first()) : QString());
        QCOMPARE(folder->exists(kMdb), !(dat + mdb).isEmpty());
        QCOMPARE(folder->read(kDat), dat == "installed" ? QByteArray() : dat);
        if (!opened)
            QCOMPARE(folder->read(kMdb), mdb);
        // In use the file keeps its open name; once closed it can go back.
        const bool oneName = opened && (dat.isEmpty() || mdb.isEmpty());
        if (oneName)
            QVERIFY_THROWS_EXCEPTION(RunError, ListFiles::closeAreaCodes());

        MsgBox::clearShown();
        w->Text1[1]->setText(QStringLiteral("ny"));
        click(w->Command1);
        QCOMPARE(MsgBox::shown().size(), opened ? 0 : 1);
        QVERIFY(shownTexts().join("").startsWith(opened ? QString() : message));
        click(w->cmdClose);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frmAreaCodes::instance());
        if (oneName) {
            ListFiles::closeAreaCodes();
            QVERIFY(folder->exists(kDat) && !folder->exists(kMdb));
        }
    }

    void navigationBarStopsAtBothEnds_data() {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("fromEnd"); // the record then current, counted from the last
        QTest::newRow("Previous on the first stays on the first") << QStringList{"previous"} << -1;
        QTest::newRow("Next on the last stays on the last") << QStringList{"last", "next"} << 0;
        QTest::newRow("Last, then Previous") << QStringList{"last", "previous"} << 1;
    }
    void navigationBarStopsAtBothEnds() {
        QFETCH(QStringList, buttons);
        QFETCH(int, fromEnd);
        frmAreaCodes* w = open();
        const QList<qint64> all = installedCodes();
        const AdoDataControl* bar = w->datPrimaryRS;
        for (const QString& b : buttons)
            click(b == "last"   ? bar->lastButton()
                  : b == "next" ? bar->nextButton()
                                : bar->previousButton());
        // -1: the first record.
        const qsizetype at = fromEnd < 0 ? 0 : all.size() - 1 - fromEnd;
        QCOMPARE(code(w), QString::number(all.at(at)));
        QCOMPARE(caption(w), QStringLiteral("Record: %1").arg(at + 1));
        QVERIFY(MsgBox::shown().isEmpty());
    }

    void locationSearch_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<QString>("upper");
        QTest::newRow("lower case by Go") << "ca" << false << "CA";
        QTest::newRow("mixed case by Enter") << "Ny" << true << "NY";
        QTest::newRow("no match") << "zz" << false << "ZZ";
        QTest::newRow("apostrophe is a plain character") << "o'x" << true << "O'X";
    }
    void locationSearch() {
        QFETCH(QString, typed);
        QFETCH(bool, byEnter);
        QFETCH(QString, upper);
        frmAreaCodes* w = open();
        QString literal = upper;
        literal.replace("'", "''");
        const QList<qint64> expected = codesIn(mdb(), "Location = '" + literal + "'");
        w->Text1[1]->setText(typed);
        if (byEnter)
            QTest::keyClick(w->Text1[1], Qt::Key_Return);
        else
            click(w->Command1);
        QVERIFY(MsgBox::shown().isEmpty());
        QCOMPARE(w->Text1[1]->text(), upper);
        QCOMPARE(w->Label5->text(),
                 QStringLiteral("Search retrieved %1 area codes.").arg(expected.size()));
        QCOMPARE(walk(w), expected);
        // Refresh runs the filter again.
        click(w->cmdRefresh);
        QCOMPARE(caption(w), expected.isEmpty() ? caption(w) : QStringLiteral("Record: 1"));
        QCOMPARE(walk(w), expected);
    }

    void areaCodeSearch_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<bool>("fromLast");
        QTest::addColumn<qint64>("wanted");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("locationTypedToo");
        const QList<qint64> all = installedCodes();
        const QList<qint64> ca = installedCodes("Location='CA'");
        const QList<qint64> ny = installedCodes("Location='NY'");
        QTest::newRow("ahead") << QString() << false << all.at(40) << true << false;
        QTest::newRow("the current record itself") << QString() << false << all[0] << true << false;
        QTest::newRow("only behind: not found") << QString() << true << all[0] << false << false;
        QTest::newRow("no such code") << QString() << false << qint64(999) << false << false;
        QTest::newRow("inside the filter") << "ca" << false << ca.last() << true << false;
        QTest::newRow("outside the filter") << "ca" << false << ny.first() << false << false;
        QTest::newRow("location typed too: code wins")
            << QString() << false << all.at(10) << true << true;
    }
    void areaCodeSearch() {
        QFETCH(QString, location);
        QFETCH(bool, fromLast);
        QFETCH(qint64, wanted);
        QFETCH(bool, found);
        QFETCH(bool, locationTypedToo);
        frmAreaCodes* w = open();
        if (!location.isEmpty()) {
            w->Text1[1]->setText(location);
            click(w->Command1);
        }
        if (fromLast)
            click(w->datPrimaryRS->lastButton());
        const QStringList before = {source(w), w->Label5->text(), QString::number(count(w))};
        w->Text1[0]->setText(QString::number(wanted));
        w->Text1[1]->setText(locationTypedToo ? QStringLiteral("ca") : QString());
        click(w->Command1);
        QVERIFY(MsgBox::shown().isEmpty());
        QCOMPARE(code(w), found ? QString::number(wanted) : QString());
        QCOMPARE((QStringList{source(w), w->Label5->text(), QString::number(count(w))}), before);
        if (!found) {
            // From past the end nothing is found until the user moves back.
            w->Text1[0]->setText(QString::number(installedCodes().last()));
            click(w->Command1);
            QCOMPARE(code(w), QString());
        }
    }

    void emptySearchFieldsDoNothing_data() {
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("Go") << false;
        QTest::newRow("Enter") << true;
    }
    void emptySearchFieldsDoNothing() {
        QFETCH(bool, byEnter);
        frmAreaCodes* w = open();
        click(w->datPrimaryRS->nextButton());
        if (byEnter)
            QTest::keyClick(w->Text1[0], Qt::Key_Return);
        else
            click(w->Command1);
        QCOMPARE(caption(w), QStringLiteral("Record: 2"));
        QCOMPARE(w->Label5->text(), QStringLiteral("Search"));
        QCOMPARE(count(w), installedCodes().size());
        QVERIFY(MsgBox::shown().isEmpty());
    }

    void searchFieldFocusRules() {
        frmAreaCodes* w = open();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->Text1[0]->setText(QStringLiteral("212"));
        w->Text1[1]->setFocus();
        QTRY_VERIFY(w->Text1[1]->hasFocus());
        QCOMPARE(w->Text1[0]->text(), QString());
        QTest::keyClicks(w->Text1[1], QStringLiteral("tx"));
        // Leaving the location field capitalises it ...
        w->txtFields[1]->setFocus();
        QTRY_COMPARE(w->Text1[1]->text(), QStringLiteral("TX"));
        // ... and entering the area-code field empties it.
        w->Text1[0]->setFocus();
        QTRY_COMPARE(w->Text1[1]->text(), QString());
    }

    void resetRestoresFullList() {
        frmAreaCodes* w = open();
        w->Text1[1]->setText(QStringLiteral("ca"));
        click(w->Command1);
        click(w->datPrimaryRS->lastButton());
        w->Text1[0]->setText(QStringLiteral("415"));
        click(w->Command2);
        QCOMPARE(w->Label5->text(), QStringLiteral("Search "));
        QCOMPARE(w->Text1[0]->text() + w->Text1[1]->text(), QString());
        QCOMPARE(caption(w), QStringLiteral("Record: 1"));
        QCOMPARE(walk(w), installedCodes());
    }

    void editsAreStored_data() {
        QTest::addColumn<bool>("add");
        QTest::addColumn<QStringList>("typed"); // code, description, location; null: untouched
        QTest::addColumn<bool>("byUpdate");
        QTest::addColumn<QString>("stored"); // quote(AreaCode); null: as before
        QTest::newRow("new, by Update")
            << true << QStringList{"999", "Test area", "ZZ"} << true << "999";
        QTest::newRow("new, by moving off it")
            << true << QStringList{"999", "Test area", "ZZ"} << false << "999";
        QTest::newRow("description, by moving off it")
            << false << QStringList{QString(), "Changed text", QString()} << false << QString();
        QTest::newRow("emptied area code: stored empty")
            << false << QStringList{"", QString(), QString()} << false << "NULL";
    }
    void editsAreStored() {
        QFETCH(bool, add);
        QFETCH(QStringList, typed);
        QFETCH(bool, byUpdate);
        QFETCH(QString, stored);
        frmAreaCodes* w = open();
        const QString edited = QStringLiteral("SELECT quote(AreaCode), Description, Location FROM "
                                              "TelephoneAreas ORDER BY rowid %1 LIMIT 1")
                                   .arg(add ? "DESC" : "");
        QStringList expected = rowText(mdb(), edited).split('|');
        const qint64 before = count(w);
        if (add)
            click(w->cmdAdd);
        QCOMPARE(code(w), add ? QString() : expected.first());
        for (int i = 0; i < 3; ++i)
            if (!typed[i].isNull()) {
                type(w->txtFields[i], typed[i]);
                expected[i] = i == 0 ? stored : typed[i];
            }
        click(byUpdate ? static_cast<QWidget*>(w->cmdUpdate) : w->datPrimaryRS->nextButton());
        QVERIFY(MsgBox::shown().isEmpty());
        QCOMPARE(rowText(mdb(), edited), expected.join('|'));
        QCOMPARE(count(w), before + (add ? 1 : 0));
    }

    void deleteMovesOn_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("last");
        QTest::newRow("a middle record: the next one") << QString() << false;
        QTest::newRow("the last record: the new last one") << QString() << true;
        QTest::newRow("the only record of a filter: none") << "qq" << true;
    }
    void deleteMovesOn() {
        QFETCH(QString, filter);
        QFETCH(bool, last);
        frmAreaCodes* w = open();
        if (!filter.isEmpty()) {
            click(w->cmdAdd);
            type(w->txtFields[0], QStringLiteral("998"));
            type(w->txtFields[2], filter.toUpper());
            click(w->cmdUpdate);
            w->Text1[1]->setText(filter);
            click(w->Command1);
        }
        QList<qint64> left = walk(w);
        click(w->datPrimaryRS->firstButton());
        click(last ? w->datPrimaryRS->lastButton() : w->datPrimaryRS->nextButton());
        const qsizetype at = last ? left.size() - 1 : 1;
        const qint64 gone = left.takeAt(at);
        click(w->cmdDelete);
        QVERIFY(MsgBox::shown().isEmpty());
        QVERIFY(!codesIn(mdb()).contains(gone));
        const qsizetype now = std::min(at, left.size() - 1);
        QCOMPARE(code(w), now < 0 ? QString() : QString::number(left.at(now)));
        QCOMPARE(walk(w), left);
    }

    void deleteWithoutCurrentRecordIsReported() {
        frmAreaCodes* w = open();
        w->Text1[0]->setText(QStringLiteral("999"));
        click(w->Command1);
        click(w->cmdDelete);
        QCOMPARE(shownTexts(), QStringList{RunError::of(ErrNo::NoCurrentRecord).description()});
        QCOMPARE(MsgBox::last().icon, MsgBox::Icon::None);
        QCOMPARE(MsgBox::last().title, QStringLiteral("Quillary"));
        QCOMPARE(codesIn(mdb()), installedCodes());
    }

    void errorNotificationRule_data() {
        QTest::addColumn<int>("pending");
        QTest::addColumn<bool>("numbered");
        QTest::newRow("none pending: silent") << 0 << false;
        QTest::newRow("13: silent") << 13 << false;
        QTest::newRow("52: silent") << 52 << false;
        QTest::newRow("53: silent") << 53 << false;
        QTest::newRow("70: both messages") << 70 << true;
        QTest::newRow("3022: both messages") << 3022 << true;
    }
    void errorNotificationRule() {
        QFETCH(int, pending);
        QFETCH(bool, numbered);
        frmAreaCodes* w = open();
        const QString before = table();
        // The bar's move cannot store a record whose area code is not a number.
        type(w->txtFields[0], QStringLiteral("abc"));
        if (pending)
            PendingError::set(RunError::of(pending));
        click(w->datPrimaryRS->nextButton());
        const QString mismatch = RunError::of(ErrNo::TypeMismatch).description();
        QStringList expected;
        if (numbered)
            expected << QStringLiteral("*%1 Data error event hit err:").arg(pending) + mismatch
                     << mismatch;
        QCOMPARE(shownTexts(), expected);
        if (numbered)
            QCOMPARE(MsgBox::shown().first().icon, MsgBox::Icon::None);
        QCOMPARE(caption(w), QStringLiteral("Record: 1"));
        QCOMPARE(code(w), QStringLiteral("abc"));
        QCOMPARE(table(), before);
    }

    void noStaleErrorFromTheMainWindow() {
        folder.reset();
        Harness h;
        h.folder.install(kDat);
        // Refreshing an empty list skips a failing step in the main window.
        pList& main = h.startWith({});
        main.AreaCodeLookup->trigger();
        frmAreaCodes* w = frmAreaCodes::instance();
        QVERIFY(w && QTest::qWaitForWindowExposed(w));
        type(w->txtFields[0], QStringLiteral("abc"));
        click(w->datPrimaryRS->nextButton());
        // The move is refused without a word: no error of the finished refresh shows.
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(code(w), QStringLiteral("abc"));
        w->close();
    }

    void nonNumericSearchText_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("letters") << "abc";
        QTest::newRow("letter O for zero") << "2O1";
        QTest::newRow("always-true condition") << "0 OR 1=1";
        QTest::newRow("second statement") << "201; DELETE FROM TelephoneAreas";
        QTest::newRow("negative") << "-201";
    }
    void nonNumericSearchText() {
        QFETCH(QString, text);
        frmAreaCodes* w = open();
        click(w->datPrimaryRS->nextButton());
        const QString before = table();
        w->Text1[0]->setText(text);
        click(w->Command1);
        QCOMPARE(shownTexts(), QStringList{"*13 Type mismatch"});
        QCOMPARE(MsgBox::last().icon, MsgBox::Icon::None);
        QCOMPARE(caption(w), QStringLiteral("Record: 2"));
        QCOMPARE(table(), before);
        QCOMPARE(PendingError::number(), 0);
    }

    void nonNumericBoundAreaCode_data() {
        QTest::addColumn<bool>("newRecord");
        QTest::addColumn<QString>("text");
        QTest::newRow("edited record, letters") << false << "abc";
        QTest::newRow("edited record, injection") << false << "1); DROP TABLE TelephoneAreas;--";
        QTest::newRow("new record") << true << "x12";
    }
    void nonNumericBoundAreaCode() {
        QFETCH(bool, newRecord);
        QFETCH(QString, text);
        frmAreaCodes* w = open();
        const QString before = table();
        if (newRecord)
            click(w->cmdAdd);
        type(w->txtFields[0], text);
        type(w->txtFields[2], QStringLiteral("QQ"));
        click(w->cmdUpdate);
        // Refresh and the area-code search refuse to leave it too; the edit stays.
        click(w->cmdRefresh);
        w->Text1[0]->setText(QStringLiteral("212"));
        click(w->Command1);
        QCOMPARE(shownTexts(),
                 (QStringList{"Type mismatch", "Type mismatch", "*13 Type mismatch"}));
        QCOMPARE(code(w), text);
        // Closing cannot store it either, and says so.
        MsgBox::clearShown();
        w->close();
        QCOMPARE(MsgBox::shown().size(), 1);
        QVERIFY(MsgBox::last().text.contains(QStringLiteral("not saved")));
        QCOMPARE(table(), before);
    }

    void failingResetStillClearsTheSearch() {
        frmAreaCodes* w = open();
        w->Text1[1]->setText(QStringLiteral("ca"));
        click(w->Command1);
        type(w->txtFields[0], QStringLiteral("abc"));
        w->Text1[1]->setText(QStringLiteral("CA"));
        click(w->Command2);
        QCOMPARE(MsgBox::shown().size(), 1);
        QVERIFY(MsgBox::last().text.contains(QStringLiteral("*13 Type mismatch")));
        QCOMPARE(w->Label5->text(), QStringLiteral("Search "));
        QCOMPARE(w->Text1[0]->text() + w->Text1[1]->text(), QString());
        // Once the area code is put right, Refresh brings the full list.
        type(w->txtFields[0], QStringLiteral("209"));
        click(w->cmdRefresh);
        QCOMPARE(count(w), installedCodes().size());
    }
};

QTEST_MAIN(tst_AreaCodes)
#include "tst_areacodes.moc"
