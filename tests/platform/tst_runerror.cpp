// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Resume.h"
#include "platform/RunError.h"
#include "platform/SqlErrors.h"

#include <QtTest>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <sqlite3.h>
#include <stdexcept>

class tst_RunError : public QObject {
    Q_OBJECT
private slots:
    void init() { PendingError::clear(); }

    // What the user reads in a failure box, "*" number blank description. A
    // negative number stands for the system's error code the failure came from.
    void failureMessages_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* tag, int number, const QString& name, const char* says) {
            QTest::newRow(tag) << number << name << QString::fromUtf8(says);
        };
        row("3024 quotes the path", 3024, "/lists/Gone.mdb",
            "*3024 Could not find file '/lists/Gone.mdb'.");
        row("3051 names this program's engine", 3051, "/l/x.mdb",
            "*3051 The database engine cannot open the file '/l/x.mdb'. It is already opened "
            "exclusively by another user, or you need permission to view its data.");
        row("3078 names this program's engine", 3078, "pName2",
            "*3078 The database engine cannot find the input table or query 'pName2'. Make "
            "sure it exists and that its name is spelled correctly.");
        row("unknown number", 31999, {}, "*31999 Application-defined or object-defined error");
        row("ENOENT", -ENOENT, {}, "*53 File not found");
        row("EACCES", -EACCES, {}, "*70 Permission denied");
        row("EEXIST", -EEXIST, {}, "*58 File already exists");
        row("ENOSPC", -ENOSPC, {}, "*61 Disk full");
        row("ENOTDIR", -ENOTDIR, {}, "*76 Path not found");
        row("ENAMETOOLONG", -ENAMETOOLONG, {}, "*52 Bad file name or number");
        row("EIO", -EIO, {}, "*75 Path/File access error");
    }
    void failureMessages() {
        QFETCH(int, number);
        QFETCH(QString, name);
        const RunError e = number < 0      ? ::fromErrno(-number)
                           : name.isNull() ? RunError::of(number)
                                           : RunError::of(number, name);
        QTEST(e.failureMessage(), "message");
        QTEST(QString::fromUtf8(e.what()), "message");
    }

    // A failing step is skipped and its number kept pending; the next step
    // runs, and a successful one leaves the pending error alone.
    void resumeStepSkipsAndRecords_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("pending");
        QTest::newRow("run-time error") << 0 << "*70 Permission denied";
        QTest::newRow("bad_alloc") << 1 << "*7 Out of memory";
        QTest::newRow("filesystem ENOENT") << 2 << "*53 File not found";
        QTest::newRow("runtime_error") << 3 << "*75 odd";
    }
    void resumeStepSkipsAndRecords() {
        QFETCH(int, which);
        QFETCH(QString, pending);
        const std::function<void()> failures[] = {
            [] { throw RunError::of(ErrNo::PermissionDenied); }, [] { throw std::bad_alloc(); },
            [] {
                throw std::filesystem::filesystem_error(
                    "x", std::make_error_code(std::errc::no_such_file_or_directory));
            },
            [] { throw std::runtime_error("odd"); }};
        QVERIFY(!resumeStep(failures[which]));
        int ran = 0;
        QVERIFY(resumeStep([&] { ++ran; }));
        QCOMPARE(ran, 1);
        QVERIFY2(RunError(PendingError::number(), PendingError::description())
                     .failureMessage()
                     .startsWith(pending),
                 qPrintable(PendingError::description()));
    }

    // The engine's failures by number. (A repeated key and a file that is no
    // database: the data control's tests.)
    void fromSqliteCode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mustContain");
        const auto row = [](const char* tag, int code, const char* message, int number,
                            const char* part) {
            QTest::newRow(tag) << code << QString(message) << number << QString(part);
        };
        row("read-only, moved", SQLITE_READONLY_DBMOVED, "", 3027, "read-only");
        row("full", SQLITE_FULL, "", 3026, "space");
        row("busy", SQLITE_BUSY, "", 3218, "locked");
        row("short read", SQLITE_IOERR_SHORT_READ, "", 3043, "Disk");
        row("no such table", SQLITE_ERROR, "no such table: pName2", 3078, "'pName2'");
        row("no such column", SQLITE_ERROR, "no such column: nope", 3061, "");
        row("syntax", SQLITE_ERROR, "near \"x\": syntax error", 3075, "syntax error");
    }
    void fromSqliteCode() {
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QString, mustContain);
        const RunError e = ::fromSqliteCode(code, message, QStringLiteral("/f/x.mdb"));
        QTEST(e.number(), "number");
        QVERIFY2(e.description().contains(mustContain, Qt::CaseInsensitive),
                 qPrintable(e.description()));
    }
};

QTEST_GUILESS_MAIN(tst_RunError)
#include "tst_runerror.moc"
