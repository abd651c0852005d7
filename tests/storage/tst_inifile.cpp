// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestFolder.h"

#include "platform/RunError.h"
#include "storage/IniFile.h"
#include "storage/ListFiles.h"

#include <QDir>
#include <QtTest>
#include <dlfcn.h>

using IniFile::ReadIniValue;
using IniFile::WriteIniValue;

namespace {
// What happened to files, in order, while a test watches: "fsync <name>" and
// "rename <from> <to>" (file names only).
QStringList g_fileCalls;
bool g_watching = false;
} // namespace

extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    if (g_watching)
        g_fileCalls
            << "fsync " +
                   QFileInfo(QFile::symLinkTarget(QString("/proc/self/fd/%1").arg(fd))).fileName();
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
    // (The installed settings and a missing file: start-up's tests.)
    void readsValue_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* content, const char* expected) {
            QTest::newRow(name) << QByteArray(content) << QString(expected);
        };
        row("lone LF, no final end", "[lastdb]\ndb=Home.mdb", "Home.mdb");
        row("blank before =", "[lastdb]\r\ndb = A \r\n", "= A ");
        row("prefix key first", "[lastdb]\r\ndbx=1\r\ndb=A\r\n", "=1");
        row("key case differs", "[lastdb]\r\nDB=A\r\n", "");
        row("header with more text", "[lastdb] x\r\ndb=A\r\n", "A");
        row("key scan crosses sections", "[lastdb]\r\nx=1\r\n[other]\r\ndb=Z\r\n", "Z");
        row("last section wins", "[lastdb]\r\ndb=A\r\n[o]\r\n[lastdb]\r\ndb=C\r\n", "C");
        row("key without value keeps earlier one", "[lastdb]\r\ndb=A\r\n[lastdb]\r\ndb\r\n", "A");
    }
    void readsValue() {
        QFETCH(QByteArray, content);
        TestFolder folder;
        folder.write("plist.ini", content);
        QTEST(ReadIniValue("[lastdb]", "db", "plist.ini"), "expected");
    }

    // The key's lines in every [lastdb] section are replaced, or the key line
    // ends the section.
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
    }
    void rewritesSection() {
        QFETCH(QByteArray, content);
        QFETCH(QString, keyLine);
        TestFolder folder;
        folder.write("plist.ini", content);
        QVERIFY(WriteIniValue("[lastdb]", keyLine, "plist.ini"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"plist.ini"});
        QTEST(folder.read("plist.ini"), "expected");
    }

    // A folder in the way of "qv.new" stops the writer even when run as root: it
    // says so, the settings stay, and the next write after it is gone succeeds.
    // (A settings file that cannot be written or read: start-up's tests.)
    void failedWriteKeepsSettings() {
        TestFolder folder;
        const QByteArray content("[lastdb]\r\ndb=A\r\n");
        folder.write("plist.ini", content);
        QVERIFY(QDir(folder.path()).mkdir("qv.new"));
        QString failure;
        try {
            WriteIniValue("[lastdb]", QString("db=B"), "plist.ini");
        } catch (const RunError& e) {
            failure = e.failureMessage();
        }
        QVERIFY2(failure.startsWith("*58 "), qPrintable(failure));
        QCOMPARE(folder.read("plist.ini"), content);
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

    // A typed list name, the file it names, the name shown for that file, and
    // which reserved file it is ("" for a list).
    void names_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("reserved");
        auto row = [](const char* typed, const char* file, const char* display,
                      const char* reserved = "") {
            QTest::newRow(typed) << typed << file << display << reserved;
        };
        row("Home", "Home.mdb", "Home");
        row("Home.mdb", "Home.mdb", "Home");
        row("Home.MDB", "Home.MDB", "Home");
        row("Home.Mdb", "Home.Mdb", "Home");
        row("Home.txt", "Home.txt.mdb", "Home.txt");
        row("Home.mdbx", "Home.mdbx.mdb", "Home.mdbx");
        row("Homemdb", "Homemdb.mdb", "Homemdb");
        row("My List", "My List.mdb", "My List");
        row("a.b.mdb", "a.b.mdb", "a.b");
        row(".mdb", ".mdb", "");
        row("TEMPLATE.MDB", "TEMPLATE.MDB", "TEMPLATE", "template");
        row("template", "template.mdb", "template", "template");
        row("AreaCodes.mdb", "AreaCodes.mdb", "AreaCodes", "area codes");
        row("areacodes.mDb", "areacodes.mDb", "areacodes", "area codes");
        row("Template.dat", "Template.dat.mdb", "Template.dat");
        row("AreaCodes.dat", "AreaCodes.dat.mdb", "AreaCodes.dat");
        row("MyTemplate", "MyTemplate.mdb", "MyTemplate");
        row("AreaCodes2", "AreaCodes2.mdb", "AreaCodes2");
    }
    void names() {
        QFETCH(QString, typed);
        QFETCH(QString, fileName);
        QFETCH(QString, reserved);
        QTEST(ListFiles::fileNameFor(typed), "fileName");
        QTEST(ListFiles::displayName(fileName), "display");
        QCOMPARE(ListFiles::isReservedTemplate(fileName), reserved == "template");
        QCOMPARE(ListFiles::isReservedAreaCodes(fileName), reserved == "area codes");
    }
};

QTEST_GUILESS_MAIN(tst_IniFile)
#include "tst_inifile.moc"
