#include "platform/Resume.h"
#include "platform/RunError.h"
#include "platform/SqlErrors.h"

#include <QtTest>
#include <cerrno>
#include <filesystem>
#include <sqlite3.h>
#include <stdexcept>

class tst_RunError : public QObject {
    Q_OBJECT
private slots:
    void init() { PendingError::clear(); }

    void standardDescriptions_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("70") << 70 << QString() << "Permission denied";
        QTest::newRow("53") << 53 << QString() << "File not found";
        QTest::newRow("58") << 58 << QString() << "File already exists";
        QTest::newRow("75") << 75 << QString() << "Path/File access error";
        QTest::newRow("76") << 76 << QString() << "Path not found";
        QTest::newRow("3021") << 3021 << QString() << "No current record.";
        QTest::newRow("3024 quotes the path") << 3024 << "/lists/Gone.mdb"
                                              << "Could not find file '/lists/Gone.mdb'.";
        QTest::newRow("3343 quotes the path") << 3343 << "/lists/x.mdb"
                                              << "Unrecognized database format '/lists/x.mdb'.";
    }
    void standardDescriptions() {
        QFETCH(int, number);
        QFETCH(QString, name);
        QFETCH(QString, description);
        const RunError e = name.isNull() ? RunError::of(number) : RunError::of(number, name);
        QCOMPARE(e.number(), number);
        QCOMPARE(e.description(), description);
    }

    void duplicateKeyIsExplained() {
        const RunError e = RunError::of(ErrNo::DuplicateKey);
        QCOMPARE(e.number(), 3022);
        QVERIFY(e.description().contains(QLatin1String("duplicate values")));
    }

    void unknownNumberStillHasText() {
        const RunError e = RunError::of(31999);
        QCOMPARE(e.number(), 31999);
        QVERIFY(!e.description().isEmpty());
    }

    void failureMessage_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("message");
        QTest::newRow("70") << 70 << "Permission denied"
                            << "*70 Permission denied";
        QTest::newRow("own text") << 3022 << "dup"
                                  << "*3022 dup";
        QTest::newRow("empty text") << 5 << ""
                                    << "*5 ";
    }
    void failureMessage() {
        QFETCH(int, number);
        QFETCH(QString, description);
        QFETCH(QString, message);
        const RunError e(number, description);
        QCOMPARE(e.failureMessage(), message);
        QCOMPARE(QString::fromUtf8(e.what()), message);
    }

    void resumeStepSkipsAndRecords() {
        int ran = 0;
        QVERIFY(!resumeStep([&] {
            throw RunError::of(ErrNo::PermissionDenied);
            ++ran;
        }));
        QCOMPARE(PendingError::number(), 70);
        QCOMPARE(PendingError::description(), QStringLiteral("Permission denied"));
        // The next step runs and a successful one leaves the pending error alone.
        QVERIFY(resumeStep([&] { ++ran; }));
        QCOMPARE(ran, 1);
        QCOMPARE(PendingError::number(), 70);
        PendingError::clear();
        QCOMPARE(PendingError::number(), 0);
        QVERIFY(PendingError::description().isEmpty());
    }

    void resumeStepNumbersForeignFailures_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("number");
        QTest::newRow("bad_alloc") << 0 << 7;
        QTest::newRow("filesystem ENOENT") << 1 << 53;
        QTest::newRow("filesystem EACCES") << 2 << 70;
        QTest::newRow("runtime_error") << 3 << 75;
    }
    void resumeStepNumbersForeignFailures() {
        QFETCH(int, which);
        QFETCH(int, number);
        QVERIFY(!resumeStep([&] {
            switch (which) {
            case 0:
                throw std::bad_alloc();
            case 1:
                throw std::filesystem::filesystem_error(
                    "x", std::make_error_code(std::errc::no_such_file_or_directory));
            case 2:
                throw std::filesystem::filesystem_error(
                    "x", std::make_error_code(std::errc::permission_denied));
            default:
                throw std::runtime_error("odd");
            }
        }));
        QCOMPARE(PendingError::number(), number);
        QVERIFY(!PendingError::description().isEmpty());
    }

    void fromSqliteCode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mustContain");
        QTest::newRow("unique") << SQLITE_CONSTRAINT_UNIQUE << "UNIQUE constraint failed" << 3022
                                << "duplicate";
        QTest::newRow("primary key") << SQLITE_CONSTRAINT_PRIMARYKEY << "" << 3022 << "duplicate";
        QTest::newRow("not a database")
            << SQLITE_NOTADB << "file is not a database" << 3343 << "'/f/x.mdb'";
        QTest::newRow("corrupt") << SQLITE_CORRUPT << "malformed" << 3049 << "'/f/x.mdb'";
        QTest::newRow("read-only") << SQLITE_READONLY << "readonly" << 3027 << "read-only";
        QTest::newRow("read-only, moved") << SQLITE_READONLY_DBMOVED << "" << 3027 << "read-only";
        QTest::newRow("full") << SQLITE_FULL << "" << 3026 << "space";
        QTest::newRow("cannot open") << SQLITE_CANTOPEN << "" << 3051 << "'/f/x.mdb'";
        QTest::newRow("busy") << SQLITE_BUSY << "" << 3218 << "locked";
        QTest::newRow("short read") << SQLITE_IOERR_SHORT_READ << "" << 3043 << "Disk";
        QTest::newRow("no such table")
            << SQLITE_ERROR << "no such table: pName2" << 3078 << "'pName2'";
        QTest::newRow("no such column") << SQLITE_ERROR << "no such column: nope" << 3061 << "";
        QTest::newRow("syntax") << SQLITE_ERROR << "near \"x\": syntax error" << 3075
                                << "syntax error";
    }
    void fromSqliteCode() {
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(int, number);
        QFETCH(QString, mustContain);
        const RunError e = ::fromSqliteCode(code, message, QStringLiteral("/f/x.mdb"));
        QCOMPARE(e.number(), number);
        QVERIFY2(e.description().contains(mustContain, Qt::CaseInsensitive),
                 qPrintable(e.description()));
    }

    void fromErrno_data() {
        QTest::addColumn<int>("err");
        QTest::addColumn<int>("number");
        QTest::newRow("ENOENT") << ENOENT << 53;
        QTest::newRow("EACCES") << EACCES << 70;
        QTest::newRow("EPERM") << EPERM << 70;
        QTest::newRow("EROFS") << EROFS << 70;
        QTest::newRow("EEXIST") << EEXIST << 58;
        QTest::newRow("ENOSPC") << ENOSPC << 61;
        QTest::newRow("ENOTDIR") << ENOTDIR << 76;
        QTest::newRow("EISDIR") << EISDIR << 52;
        QTest::newRow("EIO") << EIO << 75;
    }
    void fromErrno() {
        QFETCH(int, err);
        QFETCH(int, number);
        const RunError e = ::fromErrno(err);
        QCOMPARE(e.number(), number);
        QCOMPARE(e.description(), RunError::of(number).description());
    }
};

QTEST_MAIN(tst_RunError)
#include "tst_runerror.moc"
