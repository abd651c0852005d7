#include "support/TestFolder.h"

#include "platform/MsgBox.h"
#include "platform/OpenFiles.h"
#include "platform/RunError.h"
#include "storage/IniFile.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using IniFile::ReadIniValue;
using IniFile::WriteIniValue;

class tst_IniFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MsgBox::setScripted(true); }
    void init() { MsgBox::clearShown(); }

    void readsValue_data();
    void readsValue();
    void readerWithoutFileGivesEmptyValue();
    void readerDefaultsToSettingsFile();
    void readerFailureReachesCaller();
    void listing_data();
    void listing();

    void rewritesSection_data();
    void rewritesSection();
    void writerLeavesMissingFileMissing();
    void writerWithoutKeyLineTouchesNothing();
    void writerHasItsOwnDefaultFile();
    void failedWriteKeepsSettings_data();
    void failedWriteKeepsSettings();
    void writtenValueIsReadBack();

private:
    static void verifyFailureBox(int expectedNumber);
};

void tst_IniFile::readsValue_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("CR LF") << QByteArray("[lastdb]\r\ndb=Quillary.mdb\r\n") << "db"
                           << "Quillary.mdb";
    QTest::newRow("lone CR") << QByteArray("[lastdb]\rdb=Home.mdb\r") << "db"
                             << "Home.mdb";
    QTest::newRow("lone LF") << QByteArray("[lastdb]\ndb=Home.mdb\n") << "db"
                             << "Home.mdb";
    QTest::newRow("no final line end") << QByteArray("[lastdb]\r\ndb=Home.mdb") << "db"
                                       << "Home.mdb";
    QTest::newRow("value kept untrimmed") << QByteArray("[lastdb]\r\ndb=A b \r\n") << "db"
                                          << "A b ";
    QTest::newRow("blank before =") << QByteArray("[lastdb]\r\ndb = A\r\n") << "db"
                                    << "= A";
    QTest::newRow("prefix key comes first") << QByteArray("[lastdb]\r\ndbx=1\r\ndb=A\r\n") << "db"
                                            << "=1";
    QTest::newRow("key case differs") << QByteArray("[lastdb]\r\nDB=A\r\n") << "db"
                                      << "";
    QTest::newRow("header case differs") << QByteArray("[LastDB]\r\ndb=A\r\n") << "db"
                                         << "";
    QTest::newRow("header after a blank") << QByteArray(" [lastdb]\r\ndb=A\r\n") << "db"
                                          << "";
    QTest::newRow("header with more text") << QByteArray("[lastdb] remembered\r\ndb=A\r\n") << "db"
                                           << "A";
    QTest::newRow("key before the section") << QByteArray("db=A\r\n[lastdb]\r\n") << "db"
                                            << "";
    QTest::newRow("key scan crosses sections")
        << QByteArray("[lastdb]\r\nx=1\r\n[other]\r\ndb=Z\r\n") << "db"
        << "Z";
    QTest::newRow("last section wins")
        << QByteArray("[lastdb]\r\ndb=A\r\n[other]\r\ny=2\r\n[lastdb]\r\ndb=C\r\n") << "db"
        << "C";
    QTest::newRow("key without value keeps earlier one")
        << QByteArray("[lastdb]\r\ndb=A\r\n[lastdb]\r\ndb\r\n") << "db"
        << "A";
    QTest::newRow("key line without value") << QByteArray("[lastdb]\r\ndb\r\n") << "db"
                                            << "";
    QTest::newRow("empty value") << QByteArray("[lastdb]\r\ndb=\r\n") << "db"
                                 << "";
    QTest::newRow("no section") << QByteArray("[other]\r\ndb=A\r\n") << "db"
                                << "";
    QTest::newRow("empty file") << QByteArray() << "db"
                                << "";
    QTest::newRow("8-bit text") << QByteArray("[lastdb]\r\ndb=M\xc3\xbcller.mdb\r\n") << "db"
                                << QString::fromUtf8("M\xc3\xbcller.mdb");
}

void tst_IniFile::readsValue() {
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    TestFolder folder;
    folder.write("plist.ini", content);
    QCOMPARE(ReadIniValue("[lastdb]", key, "plist.ini"), expected);
    QCOMPARE(folder.read("plist.ini"), content);
}

void tst_IniFile::readerWithoutFileGivesEmptyValue() {
    TestFolder folder;
    const QString value = ReadIniValue("[lastdb]", "db", "plist.ini");
    QVERIFY(value.isEmpty());
    QCOMPARE(IniFile::listing(), QStringList{QString()});
    QVERIFY(!folder.exists("plist.ini"));
}

void tst_IniFile::readerDefaultsToSettingsFile() {
    TestFolder folder;
    folder.install("plist.ini");
    QCOMPARE(ReadIniValue("[lastdb]", "db"), QString("Quillary.mdb"));
    QCOMPARE(ReadIniValue("[lastdb]", "db", QString()), QString("Quillary.mdb"));
}

void tst_IniFile::readerFailureReachesCaller() {
    TestFolder folder;
    QVERIFY(QDir(folder.path()).mkdir("plist.ini"));
    QVERIFY_THROWS_EXCEPTION(RunError, ReadIniValue("[lastdb]", "db", "plist.ini"));
    // A name that would leave the application folder is refused.
    QVERIFY_THROWS_EXCEPTION(RunError, ReadIniValue("[lastdb]", "db", "../plist.ini"));
}

void tst_IniFile::listing_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("one section")
        << QByteArray("; top\r\n[lastdb]\r\ndb=A\r\n\r\nx=1\r\n[other]\r\ny=2\r\n") << "*ALL*"
        << QStringList{"", "[lastdb]", "db=A", "", "x=1"};
    QTest::newRow("any letter case")
        << QByteArray("[lastdb]\rdb=A") << "*all*" << QStringList{"", "[lastdb]", "db=A"};
    QTest::newRow("repeated section follows on")
        << QByteArray("[lastdb]\r\na\r\n[other]\r\n[lastdb]\r\nb\r\n") << "*All*"
        << QStringList{"", "[lastdb]", "a", "[lastdb]", "b"};
    QTest::newRow("ending line is no header") << QByteArray("[lastdb]\r\na\r\n[lastdb]\r\nb\r\n")
                                              << "*ALL*" << QStringList{"", "[lastdb]", "a"};
    QTest::newRow("no section") << QByteArray("[other]\r\ny=2\r\n") << "*ALL*" << QStringList{""};
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
    QTest::newRow("no section, copied as it is")
        << QByteArray("[other]\r\n\r\ny=2\r\n") << "db=B" << QByteArray("[other]\r\n\r\ny=2\r\n");
    QTest::newRow("no section, last line gets its end")
        << QByteArray("[other]\ry=2") << "db=B" << QByteArray("[other]\r\ny=2\r\n");
    QTest::newRow("key on last line without end")
        << QByteArray("[lastdb]\r\ndb=A") << "db=B" << QByteArray("[lastdb]\r\ndb=B\r\n");
    QTest::newRow("lone CR") << QByteArray("[lastdb]\rdb=A\r") << "db=B"
                             << QByteArray("[lastdb]\r\ndb=B\r\n");
    QTest::newRow("lone LF") << QByteArray("[lastdb]\ndb=A\n\n") << "db=B"
                             << QByteArray("[lastdb]\r\ndb=B\r\n");
    QTest::newRow("prefix key left alone") << QByteArray("[lastdb]\r\ndbx=1\r\ndb=A\r\n") << "db=B"
                                           << QByteArray("[lastdb]\r\ndbx=1\r\ndb=B\r\n");
    QTest::newRow("every key line replaced")
        << QByteArray("[lastdb]\r\ndb=A\r\nx=1\r\ndb=C\r\n") << "db=B"
        << QByteArray("[lastdb]\r\ndb=B\r\nx=1\r\ndb=B\r\n");
    QTest::newRow("key line without =")
        << QByteArray("[lastdb]\r\nflagged\r\nflag=1\r\nother\r\n") << "flag"
        << QByteArray("[lastdb]\r\nflag\r\nflag\r\nother\r\n");
    QTest::newRow("key case differs") << QByteArray("[lastdb]\r\nDB=A\r\n") << "db=B"
                                      << QByteArray("[lastdb]\r\nDB=A\r\ndb=B\r\n");
    QTest::newRow("header case differs")
        << QByteArray("[LastDB]\r\ndb=A\r\n") << "db=B" << QByteArray("[LastDB]\r\ndb=A\r\n");
    QTest::newRow("header with more text")
        << QByteArray("[lastdb] x\r\ndb=A\r\n") << "db=B" << QByteArray("[lastdb] x\r\ndb=B\r\n");
    QTest::newRow("section on the last line")
        << QByteArray("[lastdb]") << "db=B" << QByteArray("[lastdb]\r\ndb=B\r\n");
    QTest::newRow("lines outside kept, empty ones too")
        << QByteArray("; note\r\n\r\n[lastdb]\r\ndb=A\r\n[o]\r\n\r\nz\r\n") << "db=B"
        << QByteArray("; note\r\n\r\n[lastdb]\r\ndb=B\r\n[o]\r\n\r\nz\r\n");
    QTest::newRow("ending header is no header")
        << QByteArray("[lastdb]\r\ndb=A\r\n[lastdb]\r\ndb=C\r\n") << "db=B"
        << QByteArray("[lastdb]\r\ndb=B\r\n[lastdb]\r\ndb=C\r\n");
    QTest::newRow("each repeated section")
        << QByteArray("[lastdb]\r\ndb=A\r\n[o]\r\n[lastdb]\r\n") << "db=B"
        << QByteArray("[lastdb]\r\ndb=B\r\n[o]\r\n[lastdb]\r\ndb=B\r\n");
    QTest::newRow("other bytes preserved")
        << QByteArray("[o]\r\nname=\xff\xfe\x80\r\n[lastdb]\r\ndb=A\r\n") << "db=B"
        << QByteArray("[o]\r\nname=\xff\xfe\x80\r\n[lastdb]\r\ndb=B\r\n");
    QTest::newRow("8-bit key line")
        << QByteArray("[lastdb]\r\ndb=A\r\n") << QString::fromUtf8("db=M\xc3\xbcller.mdb")
        << QByteArray("[lastdb]\r\ndb=M\xc3\xbcller.mdb\r\n");
}

void tst_IniFile::rewritesSection() {
    QFETCH(QByteArray, content);
    QFETCH(QString, keyLine);
    QFETCH(QByteArray, expected);
    TestFolder folder;
    folder.write("plist.ini", content);
    QVERIFY(WriteIniValue("[lastdb]", keyLine, "plist.ini"));
    QCOMPARE(folder.read("plist.ini"), expected);
    QVERIFY(!folder.exists("qv.new"));
    QVERIFY(MsgBox::shown().isEmpty());
}

void tst_IniFile::writerLeavesMissingFileMissing() {
    TestFolder folder;
    QVERIFY(WriteIniValue("[lastdb]", QString("db=B"), "plist.ini"));
    QVERIFY(!folder.exists("plist.ini"));
    QVERIFY(!folder.exists("qv.new"));
    QVERIFY(MsgBox::shown().isEmpty());
}

void tst_IniFile::writerWithoutKeyLineTouchesNothing() {
    TestFolder folder;
    const QByteArray content("[lastdb]\r\ndb=A\r\n\r\n");
    folder.write("plist.ini", content);
    QVERIFY(!WriteIniValue("[lastdb]", std::nullopt, "plist.ini"));
    QVERIFY(!WriteIniValue("[lastdb]"));
    QCOMPARE(folder.read("plist.ini"), content);
    QVERIFY(!folder.exists("qv.new"));
    QVERIFY(MsgBox::shown().isEmpty());
}

void tst_IniFile::writerHasItsOwnDefaultFile() {
    TestFolder folder;
    const QByteArray settings("[lastdb]\r\ndb=A\r\n");
    folder.write("plist.ini", settings);
    folder.write(IniFile::writerDefaultFileName, "[lastdb]\r\ndb=A\r\n");
    QVERIFY(WriteIniValue("[lastdb]", QString("db=B"), QString()));
    QCOMPARE(folder.read(IniFile::writerDefaultFileName), QByteArray("[lastdb]\r\ndb=B\r\n"));
    QCOMPARE(folder.read("plist.ini"), settings);
}

void tst_IniFile::verifyFailureBox(int expectedNumber) {
    QCOMPARE(MsgBox::shown().size(), 1);
    const MsgBox::Shown box = MsgBox::last();
    const QRegularExpressionMatch m = QRegularExpression("^\\*(\\d+) (.+)$").match(box.text);
    QVERIFY2(m.hasMatch(), qPrintable(box.text));
    const int number = m.captured(1).toInt();
    if (expectedNumber)
        QCOMPARE(number, expectedNumber);
    QCOMPARE(m.captured(2), RunError::of(number).description());
    QCOMPARE(box.title, QString("Quillary"));
    QCOMPARE(box.buttons, MsgBox::Buttons::Ok);
    QCOMPARE(box.icon, MsgBox::Icon::None);
}

void tst_IniFile::failedWriteKeepsSettings_data() {
    QTest::addColumn<QString>("injection");
    QTest::addColumn<int>("number");
    // A folder in the way of "qv.new" stops the writer even when run as root.
    QTest::newRow("qv.new cannot be created") << "folder qv.new" << 0;
    // The settings file held open refuses the final replacement.
    QTest::newRow("settings file cannot be replaced")
        << "held open" << int(ErrNo::PermissionDenied);
    QTest::newRow("name outside the folder") << "bad name" << int(ErrNo::BadFileName);
}

void tst_IniFile::failedWriteKeepsSettings() {
    QFETCH(QString, injection);
    QFETCH(int, number);
    TestFolder folder;
    const QByteArray content("[lastdb]\r\ndb=A\r\n");
    folder.write("plist.ini", content);
    QString fileName("plist.ini");
    if (injection == "folder qv.new")
        QVERIFY(QDir(folder.path()).mkdir("qv.new"));
    if (injection == "held open")
        OpenFiles::acquire(folder.file("plist.ini"));
    if (injection == "bad name")
        fileName =
            QDir(folder.path()).dirName() + "/../" + QDir(folder.path()).dirName() + "/plist.ini";

    const bool result = WriteIniValue("[lastdb]", QString("db=B"), fileName);
    if (injection == "held open")
        OpenFiles::release(folder.file("plist.ini"));

    QVERIFY(!result);
    verifyFailureBox(number);
    QCOMPARE(folder.read("plist.ini"), content);
    QCOMPARE(ReadIniValue("[lastdb]", "db", "plist.ini"), QString("A"));
    if (injection == "folder qv.new")
        QVERIFY(QFileInfo(folder.file("qv.new")).isDir());
    else
        QVERIFY(!folder.exists("qv.new"));

    // Once the obstacle is gone the next write succeeds.
    if (injection == "folder qv.new")
        QVERIFY(QDir(folder.path()).rmdir("qv.new"));
    MsgBox::clearShown();
    QVERIFY(WriteIniValue("[lastdb]", QString("db=B"), "plist.ini"));
    QCOMPARE(folder.read("plist.ini"), QByteArray("[lastdb]\r\ndb=B\r\n"));
}

void tst_IniFile::writtenValueIsReadBack() {
    TestFolder folder;
    folder.install("plist.ini");
    // A stale "qv.new" from an earlier failure is simply overwritten.
    folder.write("qv.new", "left over from before, longer than the new content\r\n");
    QVERIFY(WriteIniValue("[lastdb]", QString("db=Home.mdb"), "plist.ini"));
    QCOMPARE(ReadIniValue("[lastdb]", "db", "plist.ini"), QString("Home.mdb"));
    QCOMPARE(folder.read("plist.ini"), QByteArray("[lastdb]\r\ndb=Home.mdb\r\n"));
    QVERIFY(!folder.exists("qv.new"));
}

QTEST_MAIN(tst_IniFile)
#include "tst_inifile.moc"
