#include "support/TestFolder.h"

#include "platform/MsgBox.h"
#include "platform/OpenFiles.h"
#include "platform/RunError.h"
#include "storage/IniFile.h"

#include <QDir>
#include <QtTest>
#include <dlfcn.h>
#include <unistd.h>

using IniFile::ReadIniValue;
using IniFile::WriteIniValue;

namespace {
// What happened to files, in order, while a test watches: "fsync <name>" and
// "rename <from> <to>" (file names only).
QStringList g_fileCalls;
bool g_watching = false;

QString nameOfFd(int fd) {
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd))).fileName();
}
} // namespace

extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    if (g_watching)
        g_fileCalls << "fsync " + nameOfFd(fd);
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
    static const auto real =
        reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "rename"));
    if (g_watching)
        g_fileCalls << "rename " + QFileInfo(QFile::decodeName(from)).fileName() + " " +
                           QFileInfo(QFile::decodeName(to)).fileName();
    return real(from, to);
}

class tst_IniFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MsgBox::setScripted(true); }
    void init() { MsgBox::clearShown(); }

    void readsValue_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* content, const char* expected) {
            QTest::newRow(name) << QByteArray(content) << QString(expected);
        };
        row("CR LF", "[lastdb]\r\ndb=Quillary.mdb\r\n", "Quillary.mdb");
        row("lone LF, no final end", "[lastdb]\ndb=Home.mdb", "Home.mdb");
        row("blank before =", "[lastdb]\r\ndb = A \r\n", "= A ");
        row("prefix key first", "[lastdb]\r\ndbx=1\r\ndb=A\r\n", "=1");
        row("key case differs", "[lastdb]\r\nDB=A\r\n", "");
        row("header with more text", "[lastdb] x\r\ndb=A\r\n", "A");
        row("key scan crosses sections", "[lastdb]\r\nx=1\r\n[other]\r\ndb=Z\r\n", "Z");
        row("last section wins", "[lastdb]\r\ndb=A\r\n[o]\r\n[lastdb]\r\ndb=C\r\n", "C");
        row("key without value keeps earlier one", "[lastdb]\r\ndb=A\r\n[lastdb]\r\ndb\r\n", "A");
        row("no file", nullptr, "");
    }
    void readsValue() {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        TestFolder folder;
        if (!content.isNull())
            folder.write("plist.ini", content);
        QCOMPARE(ReadIniValue("[lastdb]", "db", "plist.ini"), expected);
    }

    // The key's lines in every [lastdb] section are replaced, or the key line
    // ends the section; a missing file stays missing.
    void rewritesSection_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("keyLine");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* name, const char* content, const char* expected,
                            const QString& keyLine = "db=B") {
            QTest::newRow(name) << QByteArray(content) << keyLine << QByteArray(expected);
        };
        row("empty line dropped", "[lastdb]\r\ndb=A\r\n\r\n", "[lastdb]\r\ndb=B\r\n");
        row("new key ends its section", "[lastdb]\r\nx=1\r\n[other]\r\ny=2\r\n",
            "[lastdb]\r\nx=1\r\ndb=B\r\n[other]\r\ny=2\r\n");
        row("no section, copied with CR LF", "[other]\r\n\r\ny=2", "[other]\r\n\r\ny=2\r\n");
        row("lone CR and LF", "[lastdb]\rdb=A\n\n", "[lastdb]\r\ndb=B\r\n");
        row("prefix key left alone, every key line replaced",
            "[lastdb]\r\ndbx=1\r\ndb=A\r\ndb=C\r\n", "[lastdb]\r\ndbx=1\r\ndb=B\r\ndb=B\r\n");
        row("key line without =", "[lastdb]\r\nflagged\r\nflag=1\r\nother\r\n",
            "[lastdb]\r\nflag\r\nflag\r\nother\r\n", "flag");
        row("key case differs", "[lastdb]\r\nDB=A\r\n", "[lastdb]\r\nDB=A\r\ndb=B\r\n");
        row("header case differs", "[LastDB]\r\ndb=A\r\n", "[LastDB]\r\ndb=A\r\n");
        row("ending header is no header", "; n\r\n\r\n[lastdb]\r\ndb=A\r\n[lastdb]\r\ndb=C\r\n",
            "; n\r\n\r\n[lastdb]\r\ndb=B\r\n[lastdb]\r\ndb=C\r\n");
        row("each repeated section", "[lastdb]\r\ndb=A\r\n[o]\r\n[lastdb]\r\n",
            "[lastdb]\r\ndb=B\r\n[o]\r\n[lastdb]\r\ndb=B\r\n");
        row("other bytes preserved, 8-bit key line", "[o]\r\nn=\xff\x80\r\n[lastdb]\r\ndb=A\r\n",
            "[o]\r\nn=\xff\x80\r\n[lastdb]\r\ndb=M\xc3\xbcller.mdb\r\n",
            QString::fromUtf8("db=M\xc3\xbcller.mdb"));
        row("no file", nullptr, nullptr);
    }
    void rewritesSection() {
        QFETCH(QByteArray, content);
        QFETCH(QString, keyLine);
        QFETCH(QByteArray, expected);
        TestFolder folder;
        if (!content.isNull())
            folder.write("plist.ini", content);
        QVERIFY(WriteIniValue("[lastdb]", keyLine, "plist.ini"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 expected.isNull() ? QStringList() : QStringList{"plist.ini"});
        if (!expected.isNull())
            QCOMPARE(folder.read("plist.ini"), expected);
        QVERIFY(MsgBox::shown().isEmpty());
    }

    void failedWriteKeepsSettings_data() {
        QTest::addColumn<QString>("injection");
        QTest::addColumn<int>("number");
        // A folder in the way of "qv.new" stops the writer even when run as root.
        QTest::newRow("qv.new cannot be created") << "folder qv.new" << 58;
        // The settings file held open refuses the final replacement.
        QTest::newRow("settings file cannot be replaced") << "held open" << 70;
        QTest::newRow("name outside the folder") << "bad name" << 52;
        QTest::newRow("settings file unreadable") << "folder plist.ini" << 52;
    }

    void failedWriteKeepsSettings() {
        QFETCH(QString, injection);
        QFETCH(int, number);
        TestFolder folder;
        const QByteArray content("[lastdb]\r\ndb=A\r\n");
        QString fileName("plist.ini");
        if (injection == "folder plist.ini") {
            QVERIFY(QDir(folder.path()).mkdir("plist.ini"));
            // The reader leaves its failure to the caller.
            QVERIFY_THROWS_EXCEPTION(RunError, ReadIniValue("[lastdb]", "db", "plist.ini"));
        } else {
            folder.write("plist.ini", content);
        }
        if (injection == "folder qv.new")
            QVERIFY(QDir(folder.path()).mkdir("qv.new"));
        if (injection == "held open")
            OpenFiles::acquire(folder.file("plist.ini"));
        if (injection == "bad name") {
            fileName = "../" + QDir(folder.path()).dirName() + "/plist.ini";
            QVERIFY_THROWS_EXCEPTION(RunError, ReadIniValue("[lastdb]", "db", fileName));
        }
        const bool result = WriteIniValue("[lastdb]", QString("db=B"), fileName);
        if (injection == "held open")
            OpenFiles::release(folder.file("plist.ini"));

        QVERIFY(!result);
        QCOMPARE(MsgBox::shown().size(), 1);
        QVERIFY2(MsgBox::last().text.startsWith(QStringLiteral("*%1 ").arg(number)),
                 qPrintable(MsgBox::last().text));
        QCOMPARE(MsgBox::last().title, QString("Quillary"));
        QCOMPARE(MsgBox::last().buttons, MsgBox::Buttons::Ok);
        QCOMPARE(MsgBox::last().icon, MsgBox::Icon::None);
        if (injection == "folder plist.ini")
            return;
        QCOMPARE(folder.read("plist.ini"), content);
        QCOMPARE(folder.exists("qv.new"), injection == "folder qv.new");

        // Once the obstacle is gone the next write succeeds.
        QDir(folder.path()).rmdir("qv.new");
        QVERIFY(WriteIniValue("[lastdb]", QString("db=B"), "plist.ini"));
        QCOMPARE(folder.read("plist.ini"), QByteArray("[lastdb]\r\ndb=B\r\n"));
    }

    // Whatever an earlier run or another program left at "qv.new" (a stale file,
    // a link to a file outside the folder or to nothing) is never written through.
    void writesNoLinkAtTheTemporaryName_data() {
        QTest::addColumn<QString>("left");
        QTest::newRow("stale file") << "file";
        QTest::newRow("link to a file outside") << "link";
        QTest::newRow("link to nothing") << "dangling";
    }

    void writesNoLinkAtTheTemporaryName() {
        QFETCH(QString, left);
        TestFolder outside;
        TestFolder folder;
        folder.install("plist.ini");
        outside.write("victim", "untouched");
        if (left == "file")
            folder.write("qv.new", "left over from before, longer than the new content\r\n");
        else
            QVERIFY(QFile::link(outside.file(left == "link" ? "victim" : "nothing"),
                                folder.file("qv.new")));
        QVERIFY(WriteIniValue("[lastdb]", QString("db=Home.mdb"), "plist.ini"));
        QCOMPARE(folder.read("plist.ini"), QByteArray("[lastdb]\r\ndb=Home.mdb\r\n"));
        QVERIFY(!QFileInfo(folder.file("plist.ini")).isSymLink());
        QCOMPARE(QDir(outside.path()).entryList(QDir::Files | QDir::System), QStringList{"victim"});
        QCOMPARE(outside.read("victim"), QByteArray("untouched"));
        QVERIFY(!QFileInfo(folder.file("qv.new")).exists() &&
                !QFileInfo(folder.file("qv.new")).isSymLink());
    }

    // A crash just after the rename must find the whole new content on disk, never
    // an empty file: the new file is flushed before it takes the old one's place.
    void newContentIsOnDiskBeforeItReplacesTheOld() {
        TestFolder folder;
        folder.install("plist.ini");
        g_fileCalls.clear();
        g_watching = true;
        QVERIFY(WriteIniValue("[lastdb]", QString("db=Home.mdb"), "plist.ini"));
        g_watching = false;
        const qsizetype renamed = g_fileCalls.indexOf("rename qv.new plist.ini");
        QVERIFY2(renamed > 0, qPrintable(g_fileCalls.join(", ")));
        QVERIFY2(g_fileCalls.indexOf("fsync qv.new") >= 0 &&
                     g_fileCalls.indexOf("fsync qv.new") < renamed,
                 qPrintable(g_fileCalls.join(", ")));
    }
};

QTEST_MAIN(tst_IniFile)
#include "tst_inifile.moc"
