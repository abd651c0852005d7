// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BoundFields.h"
#include "platform/DataControl.h"
#include "platform/Database.h"
#include "platform/FileSystem.h"
#include "platform/MsgBox.h"
#include "platform/Recordset.h"
#include "platform/RunError.h"
#include "support/Failures.h"
#include "support/TestFolder.h"

#include "platform/NoteBox.h"
#include <QLineEdit>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <fcntl.h>
#include <sqlite3.h>

namespace {

QString statementFor(QString name) {
    return "select * from pName2 where pName='" + name.replace("'", "''") + "'";
}

// A column of the list file's records in table order (of those named `name`
// only, when given), read past the data control.
QStringList stored(const QString& path, const char* column = "pName", const QString& name = {}) {
    QStringList out;
    for (const QStringList& row :
         queryRows(path, QStringLiteral("SELECT %1, pName FROM pName2 ORDER BY rowid").arg(column)))
        if (name.isNull() || row[1] == name)
            out << row[0];
    return out;
}

struct Fixture {
    TestFolder folder;
    DataControl dc;
    QLineEdit name;
    QLineEdit company;
    NoteBox notes;

    explicit Fixture(const QList<QStringList>& rows) {
        folder.addList("List.mdb");
        folder.addContacts("List.mdb", rows);
        BoundFields::bind(dc, &name, "pName");
        BoundFields::bind(dc, &company, "CompanyName");
        BoundFields::bind(dc, &notes, "pNotes");
        BoundFields::reportInMessageBoxes(dc);
        open("pName2");
    }
    QString path() const { return folder.file("List.mdb"); }
    void open(const QString& source) {
        dc.setDatabaseName(path());
        dc.setRecordSource(source);
        dc.refresh();
    }
    Recordset& rs() { return dc.recordset(); }
};

// Leaves the current record in one of the ways that store a pending edit.
void leave(Fixture& f, const QString& how) {
    const QHash<QString, std::function<void()>> ways{{"moveNext", [&] { f.rs().moveNext(); }},
                                                     {"movePrevious", [&] { f.rs().movePrevious(); }},
                                                     {"moveFirst", [&] { f.rs().moveFirst(); }},
                                                     {"refresh", [&] { f.dc.refresh(); }},
                                                     {"close", [&] { f.dc.close(); }},
                                                     {"select other", [&] { f.open(statementFor("Bob")); }},
                                                     {"addNew", [&] { f.rs().addNew(); }},
                                                     {"update", [&] { f.rs().update(); }}};
    ways.value(how)();
}

// Fails the engine's next opens of a list file for writing with EIO, as a
// passing disk fault would; the engine then opens it for reading only.
int g_openFaults = 0;
int faultyOpen(const char* path, int flags, int mode) {
    if (g_openFaults > 0 && (flags & O_ACCMODE) == O_RDWR && QByteArray(path).endsWith(".mdb")) {
        --g_openFaults;
        errno = EIO;
        return -1;
    }
    return ::open(path, flags, mode);
}
struct OpenFaults {
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    explicit OpenFaults(int count) {
        g_openFaults = count;
        vfs->xSetSystemCall(vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(faultyOpen));
    }
    ~OpenFaults() { vfs->xSetSystemCall(vfs, "open", nullptr); }
};

const QList<QStringList> fourContacts = {
    {"Carol", "Acme"}, {"ann", "Zeta"}, {"Bob", "Acme"}, {"O'Brien", "Pub"}};
} // namespace

class tst_DataControl : public QObject {
    Q_OBJECT
private slots:
    void init() {
        MsgBox::setScripted(true);
        MsgBox::clearShown();
    }

    // A long walk hands over every record's field, nulls marked, stores a
    // pending edit first, and ends past the last record. From the first record
    // it may take them in any order; from a later one, in table order.
    void walkToEndVisitsEveryRecord_data() {
        QTest::addColumn<int>("startAt");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("from the first") << 0 << QStringList{"Carol", "ann", "<null>", "Bob"};
        QTest::newRow("from the third") << 2 << QStringList{"<null>", "Bob"};
        QTest::newRow("from past the end") << 4 << QStringList{};
    }
    void walkToEndVisitsEveryRecord() {
        QFETCH(int, startAt);
        QFETCH(QStringList, expected);
        Fixture f({{"Carol"}, {"ann"}, {QString()}, {"Bob"}});
        Recordset& rs = f.rs();
        for (int i = 0; i < startAt; ++i)
            rs.moveNext();
        if (rs.hasCurrent())
            f.notes.setPlainText(QStringLiteral("edited"));
        QStringList seen;
        rs.walkToEnd(rs.fieldIndex("PNAME"), [&](QByteArrayView text, bool isNull) {
            seen << (isNull ? QStringLiteral("<null>") : QString::fromUtf8(text));
        });
        if (startAt == 0) {
            seen.sort();
            expected.sort();
        }
        QCOMPARE(seen, expected);
        QVERIFY(rs.isEOF());
        QCOMPARE(failureOf([&] { rs.moveNext(); }), 3021);
        QCOMPARE(stored(f.path(), "pNotes").count("edited"), startAt < 4 ? 1 : 0);
        QCOMPARE(failureOf([&] { rs.walkToEnd(99, [](QByteArrayView, bool) {}); }), 3265);
    }

    // Editing a bound field and then leaving the record stores the edit. A
    // store the list refuses is said, and the edit stays on its record until
    // it is mended and stored at the next leaving.
    void leavingTheRecord_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("refused"); // 1 on an existing record, 2 on a new one
        for (const char* field : {"pName", "pNotes"})
            for (const char* how : {"moveNext", "movePrevious", "moveFirst", "refresh", "close",
                                    "select other", "addNew"})
                QTest::addRow("%s, %s", field, how) << QString(field) << QString(how) << 0;
        for (const char* how : {"refresh", "moveNext", "update"})
            QTest::addRow("refused, existing, %s", how) << "pName" << QString(how) << 1;
        for (const char* how : {"refresh", "moveFirst", "update"})
            QTest::addRow("refused, new, %s", how) << "pName" << QString(how) << 2;
    }
    void leavingTheRecord() {
        QFETCH(QString, field);
        QFETCH(QString, how);
        QFETCH(int, refused);
        Fixture f(fourContacts);
        const bool notes = field == "pNotes";
        if (refused) {
            f.dc.close();
            Database(f.path()).handle().exec("CREATE UNIQUE INDEX pName2_unique ON pName2 (pName)");
            f.open(statementFor("Bob"));
            if (refused == 2)
                f.rs().addNew();
        } else {
            f.rs().moveNext(); // "ann"
        }
        // "ANN" repeats "ann" without regard to case; a no-break space in a
        // note stays one.
        const QString text = refused ? "ANN"
                             : notes ? QStringLiteral("line 1\nline\u00A02")
                                     : "Anna";
        if (notes)
            f.notes.setPlainText(text);
        else
            f.name.setText(text);
        f.company.setText("Kept");
        QVERIFY(f.dc.dataChanged());
        QCOMPARE(failureOf([&] { leave(f, how); }), refused ? 3022 : 0);
        if (refused) {
            QCOMPARE(MsgBox::shown().size(), 1);
            QCOMPARE(MsgBox::last().text, RunError::of(3022).description());
            QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::Ok);
            QVERIFY(f.dc.dataChanged());
            QCOMPARE(f.name.text(), text);
            QCOMPARE(f.rs().fieldText("pName"), text);
            QCOMPARE(f.rs().isNew(), refused == 2);
            QCOMPARE(stored(f.path()), QStringList({"Carol", "ann", "Bob", "O'Brien"}));
            f.name.setText("Ann B");
            MsgBox::clearShown();
            f.open("pName2");
        }
        QVERIFY(!f.dc.dataChanged());
        QVERIFY(MsgBox::shown().isEmpty());
        const QString key = refused ? "Ann B" : notes ? "ann" : text;
        QCOMPARE(stored(f.path(), "CompanyName", key), QStringList{"Kept"});
        if (notes)
            QCOMPARE(stored(f.path(), "pNotes", key), QStringList{text});
        QCOMPARE(stored(f.path()).size(), refused == 2 ? 5 : 4);
        QCOMPARE(stored(f.path()).contains("Bob"), refused != 1);
    }

    void refreshFailures_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("number");
        const QString table("pName2");
        QTest::newRow("missing file") << "Missing.mdb" << table << 3024;
        QTest::newRow("text file") << "Text.mdb" << table << 3343;
        QTest::newRow("empty file") << "Empty.mdb" << table << 3343;
        QTest::newRow("no table pName2") << "AreaCodes.mdb" << table << 3078;
        QTest::newRow("folder") << "Dir.mdb" << table << 3024;
        QTest::newRow("bad source, same file") << "List.mdb" << QString("pName3") << 3078;
        QTest::newRow("not a select") << "List.mdb" << QString("delete from pName2") << 3131;
    }
    void refreshFailures() {
        QFETCH(QString, file);
        QFETCH(QString, source);
        QFETCH(int, number);
        Fixture f(fourContacts);
        f.folder.write("Text.mdb", "[lastdb]\r\ndb=Quillary.mdb\r\nThis is not a database.\r\n");
        f.folder.write("Empty.mdb", "");
        f.folder.install("AreaCodes.dat", "AreaCodes.mdb");
        QDir(f.folder.path()).mkdir("Dir.mdb");
        f.rs().moveNext();
        f.name.setText("Ann edited");
        f.dc.setDatabaseName(f.folder.file(file));
        f.dc.setRecordSource(source);
        try {
            f.dc.refresh();
            QFAIL("refresh did not fail");
        } catch (const RunError& e) {
            QCOMPARE(e.number(), number);
            const QString named = number == 3078 ? "'pName" : "'" + f.folder.file(file) + "'";
            QVERIFY2(number == 3131 || e.description().contains(named),
                     qPrintable(e.description()));
        }
        // The edit was stored first; the records open before stay usable.
        QCOMPARE(stored(f.path()), QStringList({"Carol", "Ann edited", "Bob", "O'Brien"}));
        QCOMPARE(f.rs().fieldText("pName"), QStringLiteral("Ann edited"));
        // The list file stays open: a copy onto it is refused.
        QCOMPARE(failureOf([&] { FileSystem::copy(f.folder.file("Text.mdb"), f.path()); }), 70);
        // The failed file is not held open.
        f.folder.addList("Spare.mdb");
        if (QFileInfo(f.folder.file(file)).isFile() && file != "List.mdb")
            QCOMPARE(failureOf([&] {
                         FileSystem::copy(f.folder.file("Spare.mdb"), f.folder.file(file));
                     }),
                     0);
    }

    // A list that opened for reading only is said to be so, and tried for
    // writing again at the next refresh, which stores the edit made meanwhile.
    void openFaultsLeaveTheListWritable_data() {
        QTest::addColumn<int>("faults");
        QTest::addColumn<bool>("saysReadOnly");
        QTest::newRow("one passing fault") << 1 << false;
        QTest::newRow("faults on every try") << 2 << true;
    }
    void openFaultsLeaveTheListWritable() {
        QFETCH(int, faults);
        QFETCH(bool, saysReadOnly);
        Fixture f(fourContacts);
        f.dc.close();
        {
            OpenFaults openFaults(faults);
            f.open("pName2");
        }
        QCOMPARE(MsgBox::shown().size(), saysReadOnly ? 1 : 0);
        if (saysReadOnly)
            QCOMPARE(MsgBox::last().text,
                     QStringLiteral("*3027 ") + RunError::of(3027).description());
        f.name.setText("Carol edited");
        f.open("pName2");
        QCOMPARE(MsgBox::shown().size(), saysReadOnly ? 1 : 0);
        QCOMPARE(stored(f.path()).first(), QStringLiteral("Carol edited"));
    }

    void recordsetBeforeRefresh() {
        DataControl dc;
        QVERIFY(!dc.hasRecordset());
        QCOMPARE(failureOf([&] { dc.recordset(); }), 91);
        QVERIFY(!dc.dataChanged());
        dc.close();
    }
};

QTEST_MAIN(tst_DataControl)
#include "tst_datacontrol.moc"
