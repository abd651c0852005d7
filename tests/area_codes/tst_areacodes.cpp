#include "area_codes/AdoDataControl.h"
#include "area_codes/frmAreaCodes.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "platform/RunError.h"
#include "storage/ListFiles.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <memory>

namespace {
const QString kDat = QStringLiteral("AreaCodes.dat");
const QString kMdb = QStringLiteral("AreaCodes.mdb");

// Straight from a database file, past the window, to say what it should show.
QList<qint64> codesIn(const QString& file, const QString& where = QString()) {
    SQLite::Database db(file.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement q(db, ("SELECT AreaCode FROM TelephoneAreas" +
                             (where.isEmpty() ? QString() : " WHERE " + where) + " ORDER BY rowid")
                                .toStdString());
    QList<qint64> out;
    while (q.executeStep())
        out << q.getColumn(0).getInt64();
    return out;
}

QList<qint64> installedCodes(const QString& where = QString()) {
    return codesIn(installedDataFile(kDat), where);
}

QString rowText(const QString& file, const QString& sql) {
    SQLite::Database db(file.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement q(db, sql.toStdString());
    QStringList cells;
    while (q.executeStep())
        for (int i = 0; i < q.getColumnCount(); ++i)
            cells << QString::fromStdString(q.getColumn(i).getString());
    return cells.join(QLatin1Char('|'));
}

QLineEdit* line(QWidget* w) {
    return qobject_cast<QLineEdit*>(w);
}
} // namespace

class tst_AreaCodes : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestFolder> folder;

    frmAreaCodes* open() {
        frmAreaCodes::display();
        frmAreaCodes* w = frmAreaCodes::instance();
        if (w)
            (void)QTest::qWaitForWindowExposed(w);
        return w;
    }
    static QString code(frmAreaCodes* w) { return line(w->txtFields[0])->text(); }
    static QString caption(frmAreaCodes* w) { return w->datPrimaryRS->caption(); }
    static qint64 count(frmAreaCodes* w) { return w->datPrimaryRS->recordset().recordCount(); }
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    // Every record of the set, walked with the navigation bar.
    static QList<qint64> walk(frmAreaCodes* w) {
        QList<qint64> out;
        click(w->datPrimaryRS->firstButton());
        if (code(w).isEmpty())
            return out;
        for (;;) {
            out << code(w).toLongLong();
            const QString before = caption(w);
            click(w->datPrimaryRS->nextButton());
            if (caption(w) == before)
                return out;
        }
    }
    static void type(QWidget* field, const QString& text) {
        if (auto* l = line(field))
            l->clear();
        else
            qobject_cast<QPlainTextEdit*>(field)->clear();
        QTest::keyClicks(field, text);
    }
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

    void loadShowsFullListWithFirstRecordCurrent() {
        frmAreaCodes* w = open();
        QVERIFY(w);
        const QList<qint64> all = installedCodes();
        QCOMPARE(w->windowTitle(), QStringLiteral("TelephoneAreas"));
        QCOMPARE(w->Label5->text(), QStringLiteral("Search"));
        QCOMPARE(w->datPrimaryRS->recordSource(), QString::fromLatin1(frmAreaCodes::fullList));
        QCOMPARE(w->datPrimaryRS->connectionString(),
                 "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder->path() +
                     "\\AreaCodes.mdb;Persist Security Info=False");
        QCOMPARE(w->Label4->text(), QDir::toNativeSeparators(folder->path() + "/AreaCodes.mdb"));
        QCOMPARE(code(w), QString::number(all.first()));
        QCOMPARE(caption(w), QStringLiteral("Record: 1"));
        QCOMPARE(count(w), all.size());
        QVERIFY(MsgBox::shown().isEmpty());
    }

    void displayAgainOnlyBringsForward() {
        frmAreaCodes* w = open();
        click(w->datPrimaryRS->nextButton());
        click(w->datPrimaryRS->nextButton());
        const QString shown = code(w);
        frmAreaCodes::display();
        QCOMPARE(frmAreaCodes::instance(), w);
        QCOMPARE(caption(w), QStringLiteral("Record: 3"));
        QCOMPARE(code(w), shown);
    }

    void renameAtLoad_data() {
        QTest::addColumn<bool>("dat");
        QTest::addColumn<bool>("mdb");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("opened");
        QTest::newRow("only .dat: renamed") << true << false << QString() << true;
        QTest::newRow("only .mdb: opened as it is") << false << true << QString() << true;
        QTest::newRow("both: neither touched, .mdb used")
            << true << true << QStringLiteral("Both AreaCodes.dat and AreaCodes.mdb") << true;
        QTest::newRow("neither: told, window usable")
            << false << false << QStringLiteral("*3024 Could not find file") << false;
    }
    void renameAtLoad() {
        QFETCH(bool, dat);
        QFETCH(bool, mdb);
        QFETCH(QString, message);
        QFETCH(bool, opened);
        QFile::remove(folder->file(kDat));
        if (mdb)
            folder->install(kDat, kMdb);
        // A .dat beside a .mdb is some other copy: it must survive byte for byte.
        const QByteArray otherCopy("not the directory in use");
        if (dat)
            mdb ? folder->write(kDat, otherCopy) : folder->install(kDat);

        frmAreaCodes* w = open();
        QVERIFY(w);
        if (message.isEmpty()) {
            QVERIFY(MsgBox::shown().isEmpty());
        } else {
            QCOMPARE(MsgBox::shown().size(), 1);
            QVERIFY2(MsgBox::last().text.contains(message), qPrintable(MsgBox::last().text));
            QCOMPARE(MsgBox::last().title, QStringLiteral("Quillary"));
        }
        QCOMPARE(folder->exists(kMdb), dat || mdb);
        QCOMPARE(folder->exists(kDat), dat && mdb);
        if (dat && mdb)
            QCOMPARE(folder->read(kDat), otherCopy);
        QCOMPARE(w->datPrimaryRS->hasRecordset(), opened);
        if (opened)
            QCOMPARE(code(w), QString::number(installedCodes().first()));

        // Still usable: a search says what is wrong, Close closes.
        MsgBox::clearShown();
        w->Text1[1]->setText(QStringLiteral("ny"));
        click(w->Command1);
        if (!opened)
            QVERIFY(MsgBox::last().text.startsWith(QStringLiteral("*3024 Could not find file")));
        click(w->cmdClose);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frmAreaCodes::instance());
    }

    void closingLetsGoOfTheFile() {
        frmAreaCodes* w = open();
        // While the window uses it, the file keeps its open name.
        QVERIFY_THROWS_EXCEPTION(RunError, ListFiles::closeAreaCodes());
        QVERIFY(folder->exists(kMdb));
        click(w->cmdClose);
        ListFiles::closeAreaCodes();
        QVERIFY(folder->exists(kDat));
        QVERIFY(!folder->exists(kMdb));
    }

    void notADatabaseIsReportedAndKept() {
        QFile::remove(folder->file(kDat));
        folder->write(kMdb, QByteArray(4096, 'x'));
        frmAreaCodes* w = open();
        QCOMPARE(MsgBox::shown().size(), 1);
        QVERIFY(MsgBox::last().text.contains(QStringLiteral("could not be opened")));
        QVERIFY(MsgBox::last().text.contains(QStringLiteral("*3343")));
        QVERIFY(!w->datPrimaryRS->hasRecordset());
        QCOMPARE(folder->read(kMdb), QByteArray(4096, 'x'));
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
        QCOMPARE(w->datPrimaryRS->recordSource(),
                 QString::fromLatin1(frmAreaCodes::locationFilter) + literal + "'");
        QCOMPARE(w->Label5->text(),
                 QStringLiteral("Search retrieved %1 area codes.").arg(expected.size()));
        QCOMPARE(count(w), expected.size());
        QCOMPARE(code(w), expected.isEmpty() ? QString() : QString::number(expected.first()));
        QCOMPARE(walk(w), expected);
        QCOMPARE(line(w->txtFields[2])->text(), expected.isEmpty() ? QString() : upper);
    }

    void areaCodeSearch_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<bool>("fromLast");
        QTest::addColumn<qint64>("wanted");
        QTest::addColumn<bool>("found");
        const QList<qint64> all = installedCodes();
        const QList<qint64> ca = installedCodes("Location='CA'");
        const QList<qint64> ny = installedCodes("Location='NY'");
        QTest::newRow("ahead of the current record") << QString() << false << all.at(40) << true;
        QTest::newRow("the current record itself") << QString() << false << all.first() << true;
        QTest::newRow("only behind: not found") << QString() << true << all.first() << false;
        QTest::newRow("no such code") << QString() << false << qint64(999) << false;
        QTest::newRow("inside the filter") << "ca" << false << ca.last() << true;
        QTest::newRow("outside the filter: not found") << "ca" << false << ny.first() << false;
    }
    void areaCodeSearch() {
        QFETCH(QString, location);
        QFETCH(bool, fromLast);
        QFETCH(qint64, wanted);
        QFETCH(bool, found);
        frmAreaCodes* w = open();
        if (!location.isEmpty()) {
            w->Text1[1]->setText(location);
            click(w->Command1);
        }
        if (fromLast)
            click(w->datPrimaryRS->lastButton());
        const QString source = w->datPrimaryRS->recordSource();
        const QString status = w->Label5->text();
        const qint64 records = count(w);

        w->Text1[0]->setText(QString::number(wanted));
        w->Text1[1]->clear();
        click(w->Command1);

        QVERIFY(MsgBox::shown().isEmpty());
        QCOMPARE(code(w), found ? QString::number(wanted) : QString());
        if (!found)
            QCOMPARE(caption(w), QStringLiteral("Record: -3"));
        QCOMPARE(w->datPrimaryRS->recordSource(), source);
        QCOMPARE(w->Label5->text(), status);
        QCOMPARE(count(w), records);
        if (!found) {
            // From past the end nothing is found until the user moves back.
            w->Text1[0]->setText(QString::number(installedCodes().last()));
            click(w->Command1);
            QCOMPARE(code(w), QString());
        }
    }

    void areaCodeWinsOverLocation() {
        frmAreaCodes* w = open();
        const qint64 wanted = installedCodes().at(10);
        w->Text1[0]->setText(QString::number(wanted));
        w->Text1[1]->setText(QStringLiteral("ca"));
        click(w->Command1);
        QCOMPARE(code(w), QString::number(wanted));
        QCOMPARE(w->datPrimaryRS->recordSource(), QString::fromLatin1(frmAreaCodes::fullList));
        QCOMPARE(w->Label5->text(), QStringLiteral("Search"));
    }

    void emptyFieldsDoNothing_data() {
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("Go") << false;
        QTest::newRow("Enter") << true;
    }
    void emptyFieldsDoNothing() {
        QFETCH(bool, byEnter);
        frmAreaCodes* w = open();
        click(w->datPrimaryRS->nextButton());
        if (byEnter)
            QTest::keyClick(w->Text1[0], Qt::Key_Return);
        else
            click(w->Command1);
        QCOMPARE(caption(w), QStringLiteral("Record: 2"));
        QCOMPARE(w->Label5->text(), QStringLiteral("Search"));
        QCOMPARE(w->datPrimaryRS->recordSource(), QString::fromLatin1(frmAreaCodes::fullList));
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
        QTRY_VERIFY(w->txtFields[1]->hasFocus());
        QCOMPARE(w->Text1[1]->text(), QStringLiteral("TX"));
        // ... and entering the area-code field empties it.
        w->Text1[0]->setFocus();
        QTRY_VERIFY(w->Text1[0]->hasFocus());
        QCOMPARE(w->Text1[1]->text(), QString());
    }

    void tabOrder() {
        frmAreaCodes* w = open();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTRY_COMPARE(QApplication::focusWidget(), w->txtFields[0]);
        const QList<QWidget*> order = {w->txtFields[1], w->txtFields[2], w->cmdAdd,
                                       w->cmdUpdate,    w->cmdDelete,    w->cmdRefresh,
                                       w->cmdClose,     w->Command2,     w->Command1,
                                       w->Text1[1],     w->Text1[0],     w->txtFields[0]};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void resetRestoresFullList() {
        frmAreaCodes* w = open();
        w->Text1[1]->setText(QStringLiteral("ca"));
        click(w->Command1);
        click(w->datPrimaryRS->lastButton());
        w->Text1[0]->setText(QStringLiteral("415"));
        click(w->Command2);
        QCOMPARE(w->datPrimaryRS->recordSource(), QString::fromLatin1(frmAreaCodes::fullList));
        QCOMPARE(w->Label5->text(), QStringLiteral("Search "));
        QCOMPARE(w->Text1[0]->text(), QString());
        QCOMPARE(w->Text1[1]->text(), QString());
        QCOMPARE(caption(w), QStringLiteral("Record: 1"));
        QCOMPARE(code(w), QString::number(installedCodes().first()));
        QCOMPARE(count(w), installedCodes().size());
    }

    void addAndUpdate_data() {
        QTest::addColumn<bool>("byUpdate");
        QTest::newRow("stored by Update") << true;
        QTest::newRow("stored by moving off it") << false;
    }
    void addAndUpdate() {
        QFETCH(bool, byUpdate);
        frmAreaCodes* w = open();
        const qint64 before = count(w);
        click(w->cmdAdd);
        QCOMPARE(caption(w), QStringLiteral("Record: -1"));
        QCOMPARE(code(w), QString());
        type(w->txtFields[0], QStringLiteral("999"));
        type(w->txtFields[1], QStringLiteral("Test area"));
        type(w->txtFields[2], QStringLiteral("ZZ"));
        click(byUpdate ? static_cast<QAbstractButton*>(w->cmdUpdate)
                       : w->datPrimaryRS->firstButton());
        QVERIFY(MsgBox::shown().isEmpty());
        QCOMPARE(rowText(mdb(), "SELECT AreaCode, typeof(AreaCode), Description, Location FROM "
                                "TelephoneAreas WHERE Location='ZZ'"),
                 QStringLiteral("999|integer|Test area|ZZ"));
        QCOMPARE(count(w), before + 1);
        if (byUpdate)
            QCOMPARE(caption(w), QStringLiteral("Record: %1").arg(before + 1));
    }

    void editedRecordIsStoredWhenLeft() {
        frmAreaCodes* w = open();
        const qint64 first = installedCodes().first();
        type(w->txtFields[1], QStringLiteral("Changed text"));
        click(w->datPrimaryRS->nextButton());
        QCOMPARE(rowText(mdb(), QStringLiteral("SELECT Description FROM TelephoneAreas WHERE "
                                               "AreaCode=%1")
                                    .arg(first)),
                 QStringLiteral("Changed text"));
    }

    void deleteMovesOn_data() {
        QTest::addColumn<bool>("last");
        QTest::newRow("a middle record: the next one") << false;
        QTest::newRow("the last record: the new last one") << true;
    }
    void deleteMovesOn() {
        QFETCH(bool, last);
        frmAreaCodes* w = open();
        const QList<qint64> all = installedCodes();
        if (last)
            click(w->datPrimaryRS->lastButton());
        else
            click(w->datPrimaryRS->nextButton());
        const qint64 gone = code(w).toLongLong();
        click(w->cmdDelete);
        QVERIFY(MsgBox::shown().isEmpty());
        QVERIFY(!codesIn(mdb()).contains(gone));
        QCOMPARE(count(w), all.size() - 1);
        if (last) {
            QCOMPARE(code(w), QString::number(all.at(all.size() - 2)));
            QCOMPARE(caption(w), QStringLiteral("Record: %1").arg(all.size() - 1));
        } else {
            QCOMPARE(code(w), QString::number(all.at(2)));
            QCOMPARE(caption(w), QStringLiteral("Record: 2"));
        }
    }

    void deleteOnlyRecordOfFilter() {
        frmAreaCodes* w = open();
        click(w->cmdAdd);
        type(w->txtFields[0], QStringLiteral("998"));
        type(w->txtFields[2], QStringLiteral("QQ"));
        click(w->cmdUpdate);
        w->Text1[1]->setText(QStringLiteral("qq"));
        click(w->Command1);
        QCOMPARE(count(w), 1);
        click(w->cmdDelete);
        QVERIFY(MsgBox::shown().isEmpty());
        QCOMPARE(count(w), 0);
        QCOMPARE(code(w), QString());
    }

    void deleteWithoutCurrentRecordIsReported() {
        frmAreaCodes* w = open();
        w->Text1[0]->setText(QStringLiteral("999"));
        click(w->Command1);
        const qint64 before = count(w);
        click(w->cmdDelete);
        QCOMPARE(MsgBox::shown().size(), 1);
        QCOMPARE(MsgBox::last().text, RunError::of(ErrNo::NoCurrentRecord).description());
        QCOMPARE(MsgBox::last().icon, MsgBox::Icon::None);
        QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::Ok);
        QCOMPARE(MsgBox::last().title, QStringLiteral("Quillary"));
        QCOMPARE(count(w), before);
        QCOMPARE(PendingError::number(), 0);
    }

    void refreshKeepsTheFilter() {
        frmAreaCodes* w = open();
        w->Text1[1]->setText(QStringLiteral("tx"));
        click(w->Command1);
        const QString source = w->datPrimaryRS->recordSource();
        const QList<qint64> tx = codesIn(mdb(), "Location='TX'");
        click(w->datPrimaryRS->lastButton());
        click(w->cmdRefresh);
        QCOMPARE(w->datPrimaryRS->recordSource(), source);
        QCOMPARE(caption(w), QStringLiteral("Record: 1"));
        QCOMPARE(walk(w), tx);
    }

    void errorNotificationRule_data() {
        QTest::addColumn<int>("pending");
        QTest::addColumn<QStringList>("messages");
        const QString mismatch = RunError::of(ErrNo::TypeMismatch).description();
        QTest::newRow("none pending: silent") << 0 << QStringList();
        QTest::newRow("13: silent") << 13 << QStringList();
        QTest::newRow("52: silent") << 52 << QStringList();
        QTest::newRow("53: silent") << 53 << QStringList();
        QTest::newRow("70: both messages")
            << 70 << QStringList{"*70 Data error event hit err:" + mismatch, mismatch};
        QTest::newRow("3022: both messages")
            << 3022 << QStringList{"*3022 Data error event hit err:" + mismatch, mismatch};
    }
    void errorNotificationRule() {
        QFETCH(int, pending);
        QFETCH(QStringList, messages);
        frmAreaCodes* w = open();
        const QString table = rowText(mdb(), "SELECT * FROM TelephoneAreas");
        // The bar's move cannot store a record whose area code is not a number.
        type(w->txtFields[0], QStringLiteral("abc"));
        if (pending)
            PendingError::set(RunError::of(pending));
        click(w->datPrimaryRS->nextButton());
        QStringList texts;
        for (const MsgBox::Shown& s : MsgBox::shown())
            texts << s.text;
        QCOMPARE(texts, messages);
        if (!messages.isEmpty())
            QCOMPARE(MsgBox::shown().first().icon, MsgBox::Icon::None);
        QCOMPARE(caption(w), QStringLiteral("Record: 1"));
        QCOMPARE(code(w), QStringLiteral("abc"));
        QCOMPARE(rowText(mdb(), "SELECT * FROM TelephoneAreas"), table);
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
        const QString table = rowText(mdb(), "SELECT * FROM TelephoneAreas");
        w->Text1[0]->setText(text);
        click(w->Command1);
        QCOMPARE(MsgBox::shown().size(), 1);
        QCOMPARE(MsgBox::last().text, QStringLiteral("*13 Type mismatch"));
        QCOMPARE(MsgBox::last().icon, MsgBox::Icon::None);
        QCOMPARE(caption(w), QStringLiteral("Record: 2"));
        QCOMPARE(rowText(mdb(), "SELECT * FROM TelephoneAreas"), table);
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
        const QString table = rowText(mdb(), "SELECT * FROM TelephoneAreas");
        if (newRecord)
            click(w->cmdAdd);
        type(w->txtFields[0], text);
        type(w->txtFields[2], QStringLiteral("QQ"));
        click(w->cmdUpdate);
        QCOMPARE(MsgBox::shown().size(), 1);
        QCOMPARE(MsgBox::last().text, QStringLiteral("Type mismatch"));
        QCOMPARE(rowText(mdb(), "SELECT * FROM TelephoneAreas"), table);
        // Refresh and the area-code search refuse to leave it too; the edit stays.
        MsgBox::clearShown();
        click(w->cmdRefresh);
        w->Text1[0]->setText(QStringLiteral("212"));
        click(w->Command1);
        QCOMPARE(MsgBox::shown().size(), 2);
        QCOMPARE(MsgBox::shown().at(1).text, QStringLiteral("*13 Type mismatch"));
        QCOMPARE(code(w), text);
        // Closing cannot store it either, and says so.
        MsgBox::clearShown();
        w->close();
        QCOMPARE(MsgBox::shown().size(), 1);
        QVERIFY(MsgBox::last().text.contains(QStringLiteral("not saved")));
        QCOMPARE(rowText(mdb(), "SELECT * FROM TelephoneAreas"), table);
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
        QCOMPARE(w->Text1[0]->text(), QString());
        QCOMPARE(w->Text1[1]->text(), QString());
        QCOMPARE(w->datPrimaryRS->recordSource(), QString::fromLatin1(frmAreaCodes::fullList));
        // Once the area code is put right, Refresh brings the full list.
        type(w->txtFields[0], QStringLiteral("209"));
        click(w->cmdRefresh);
        QCOMPARE(count(w), installedCodes().size());
    }

    void connectionNamesTheFile_data() {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("path");
        QTest::newRow("Windows separator")
            << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/q\\AreaCodes.mdb;Persist "
               "Security Info=False"
            << "/opt/q/AreaCodes.mdb";
        QTest::newRow("key in other case, blanks") << "data source = /x/y/A.mdb ;Provider=P"
                                                   << "/x/y/A.mdb";
        QTest::newRow("no data source") << "Provider=P" << QString();
    }
    void connectionNamesTheFile() {
        QFETCH(QString, connection);
        QFETCH(QString, path);
        AdoDataControl dc;
        dc.setConnectionString(connection);
        QCOMPARE(dc.databasePath(), path);
    }
};

QTEST_MAIN(tst_AreaCodes)
#include "tst_areacodes.moc"
