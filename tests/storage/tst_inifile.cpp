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

    void readsValue_data();
    void readsValue();
    void listing_data();
    void listing();
    void rewritesSection_data();
    void rewritesSection();
    void callsThatWriteNothing();
    void failedWriteKeepsSettings_data();
    void failedWriteKeepsSettings();
    void writesNoLinkAtTheTemporaryName_data();
    void writesNoLinkAtTheTemporaryName();
    void newContentIsOnDiskBeforeItReplacesTheOld();
};

void tst_IniFile::readsValue_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF") << QByteArray("[lastdb]\r\ndb=Quillary.mdb\r\n") << "Quillary.mdb";
    QTest::newRow("lone LF, no final end") << QByteArray("[lastdb]\ndb=Home.mdb") << "Home.mdb";
    QTest::newRow("blank before =") << QByteArray("[lastdb]\r\ndb = A \r\n") << "= A ";
    QTest::newRow("prefix key first") << QByteArray("[lastdb]\r\ndbx=1\r\ndb=A\r\n") << "=1";
    QTest::newRow("key case differs") << QByteArray("[lastdb]\r\nDB=A\r\n") << "";
    QTest::newRow("header with more text") << QByteArray("[lastdb] x\r\ndb=A\r\n") << "A";
    QTest::newRow("key scan crosses sections")
        << QByteArray("[lastdb]\r\nx=1\r\n[other]\r\ndb=Z\r\n") << "Z";
    QTest::newRow("last section wins")
        << QByteArray("[lastdb]\r\ndb=A\r\n[o]\r\n[lastdb]\r\ndb=C\r\n") << "C";
    QTest::newRow("key without value keeps earlier one")
        << QByteArray("[lastdb]\r\ndb=A\r\n[lastdb]\r\ndb\r\n") << "A";
    QTest::newRow("no file") << QByteArray("none") << "";
}

void tst_IniFile::readsValue() {
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    TestFolder folder;
    if (content != "none")
        folder.write("plist.ini", content);
    QCOMPARE(ReadIniValue("[lastdb]", "db", "plist.ini"), expected);
    // The reader's own default file is the settings file.
    QCOMPARE(ReadIniValue("[lastdb]", "db"), expected);
    QCOMPARE(folder.exists("plist.ini"), content != "none");
    if (content != "none")
        QCOMPARE(folder.read("plist.ini"), content);
}

void tst_IniFile::listing_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one section")
        << QByteArray("; top\r\n[lastdb]\r\ndb=A\r\n\r\nx=1\r\n[other]\r\ny=2\r\n") << "*ALL*"
        << QStringList{"", "[lastdb]", "db=A", "", "x=1"};
    QTest::newRow("repeated section, any letter case")
        << QByteArray("[lastdb]\r\na\r\n[other]\r\n[lastdb]\r\nb\r\n") << "*All*"
        << QStringList{"", "[lastdb]", "a", "[lastdb]", "b"};
    QTest::newRow("ending line is no header") << QByteArray("[lastdb]\r\na\r\n[lastdb]\r\nb\r\n")
                                              << "*ALL*" << QStringList{"", "[lastdb]", "a"};
}

void tst_IniFile::listing() {
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QStringList, expected);
    TestFolder folder;
    folder.write("plist.ini", content);
    QCOMPARE(ReadIniValue("[lastdb]", key, "plist.ini"), QString());
    QCOMPARE(IniFile::listing(), expected);
    // The next read starts a fresh listing.
    ReadIniValue("[lastdb]", "db", "plist.ini");
    QCOMPARE(IniFile::listing(), QStringList{QString()});
}

void tst_IniFile::rewritesSection_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("keyLine");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty line dropped")
        << QByteArray("[lastdb]\r\ndb=A\r\n\r\n") << "db=B" << QByteArray("[lastdb]\r\ndb=B\r\n");
    QTest::newRow("new key ends its section")
        << QByteArray("[lastdb]\r\nx=1\r\n[other]\r\ny=2\r\n") << "db=B"
        << QByteArray("[lastdb]\r\nx=1\r\ndb=B\r\n[other]\r\ny=2\r\n");
    QTest::newRow("no section, copied with CR LF")
        << QByteArray("[other]\r\n\r\ny=2") << "db=B" << QByteArray("[other]\r\n\r\ny=2\r\n");
    QTest::newRow("lone CR and LF")
        << QByteArray("[lastdb]\rdb=A\n\n") << "db=B" << QByteArray("[lastdb]\r\ndb=B\r\n");
    QTest::newRow("prefix key left alone, every key line replaced")
        << QByteArray("[lastdb]\r\ndbx=1\r\ndb=A\r\ndb=C\r\n") << "db=B"
        << QByteArray("[lastdb]\r\ndbx=1\r\ndb=B\r\ndb=B\r\n");
    QTest::newRow("key line without =")
        << QByteArray("[lastdb]\r\nflagged\r\nflag=1\r\nother\r\n") << "flag"
        << QByteArray("[lastdb]\r\nflag\r\nflag\r\nother\r\n");
    QTest::newRow("key case differs") << QByteArray("[lastdb]\r\nDB=A\r\n") << "db=B"
                                      << QByteArray("[lastdb]\r\nDB=A\r\ndb=B\r\n");
    QTest::newRow("header case differs")
        << QByteArray("[LastDB]\r\ndb=A\r\n") << "db=B" << QByteArray("[LastDB]\r\ndb=A\r\n");
    QTest::newRow("ending header is no header")
        << QByteArray("; n\r\n\r\n[lastdb]\r\ndb=A\r\n[lastdb]\r\ndb=C\r\n") << "db=B"
        << QByteArray("; n\r\n\r\n[lastdb]\r\ndb=B\r\n[lastdb]\r\ndb=C\r\n");
    QTest::newRow("each repeated section")
        << QByteArray("[lastdb]\r\ndb=A\r\n[o]\r\n[lastdb]\r\n") << "db=B"
        << QByteArray("[lastdb]\r\ndb=B\r\n[o]\r\n[lastdb]\r\ndb=B\r\n");
    QTest::newRow("other bytes preserved, 8-bit key line")
        << QByteArray("[o]\r\nn=\xff\x80\r\n[lastdb]\r\ndb=A\r\n")
        << QString::fromUtf8("db=M\xc3\xbcller.mdb")
        << QByteArray("[o]\r\nn=\xff\x80\r\n[lastdb]\r\ndb=M\xc3\xbcller.mdb\r\n");
}

void tst_IniFile::rewritesSection() {
    QFETCH(QByteArray, content);
    QFETCH(QString, keyLine);
    QFETCH(QByteArray, expected);
    TestFolder folder;
    folder.write("plist.ini", content);
    QVERIFY(WriteIniValue("[lastdb]", keyLine, "plist.ini"));
    QCOMPARE(folder.read("plist.ini"), expected);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plist.ini"});
    QVERIFY(MsgBox::shown().isEmpty());
}

// A missing file stays missing; no key line, nothing touched; the writer's own
// default file is not the settings file.
void tst_IniFile::callsThatWriteNothing() {
    TestFolder folder;
    QVERIFY(WriteIniValue("[lastdb]", QString("db=B"), "plist.ini"));
    QVERIFY(QDir(folder.path()).isEmpty());
    const QByteArray content("[lastdb]\r\ndb=A\r\n\r\n");
    folder.write("plist.ini", content);
    QVERIFY(!WriteIniValue("[lastdb]", std::nullopt, "plist.ini"));
    QVERIFY(!WriteIniValue("[lastdb]"));
    QVERIFY(WriteIniValue("[lastdb]", QString("db=B"), QString()));
    QCOMPARE(folder.read("plist.ini"), content);
    folder.write(IniFile::writerDefaultFileName, content);
    QVERIFY(WriteIniValue("[lastdb]", QString("db=B"), QString()));
    QCOMPARE(folder.read(IniFile::writerDefaultFileName), QByteArray("[lastdb]\r\ndb=B\r\n"));
    QCOMPARE(folder.read("plist.ini"), content);
    QVERIFY(MsgBox::shown().isEmpty());
}

void tst_IniFile::failedWriteKeepsSettings_data() {
    QTest::addColumn<QString>("injection");
    QTest::addColumn<int>("number");
    // A folder in the way of "qv.new" stops the writer even when run as root.
    QTest::newRow("qv.new cannot be created") << "folder qv.new" << 58;
    // The settings file held open refuses the final replacement.
    QTest::newRow("settings file cannot be replaced") << "held open" << 70;
    QTest::newRow("name outside the folder") << "bad name" << 52;
    QTest::newRow("settings file unreadable") << "folder plist.ini" << 52;
}

void tst_IniFile::failedWriteKeepsSettings() {
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
void tst_IniFile::writesNoLinkAtTheTemporaryName_data() {
    QTest::addColumn<QString>("left");
    QTest::newRow("stale file") << "file";
    QTest::newRow("link to a file outside") << "link";
    QTest::newRow("link to nothing") << "dangling";
}

void tst_IniFile::writesNoLinkAtTheTemporaryName() {
    QFETCH(QString, left);
    QTemporaryDir outside;
    TestFolder folder;
    folder.install("plist.ini");
    QFile victim(outside.filePath("victim"));
    QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("untouched") == 9);
    victim.close();
    if (left == "file")
        folder.write("qv.new", "left over from before, longer than the new content\r\n");
    else
        QVERIFY(QFile::link(outside.filePath(left == "link" ? "victim" : "nothing"),
                            folder.file("qv.new")));
    QVERIFY(WriteIniValue("[lastdb]", QString("db=Home.mdb"), "plist.ini"));
    QCOMPARE(folder.read("plist.ini"), QByteArray("[lastdb]\r\ndb=Home.mdb\r\n"));
    QVERIFY(!QFileInfo(folder.file("plist.ini")).isSymLink());
    QCOMPARE(QDir(outside.path()).entryList(QDir::Files | QDir::System), QStringList{"victim"});
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("untouched"));
    QVERIFY(!QFileInfo(folder.file("qv.new")).exists() &&
            !QFileInfo(folder.file("qv.new")).isSymLink());
}

// A crash just after the rename must find the whole new content on disk, never
// an empty file: the new file is flushed before it takes the old one's place.
void tst_IniFile::newContentIsOnDiskBeforeItReplacesTheOld() {
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

QTEST_MAIN(tst_IniFile)
#include "tst_inifile.moc"
