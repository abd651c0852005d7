#include "platform/DataControl.h"
#include "platform/Database.h"
#include "platform/FileSystem.h"
#include "platform/RunError.h"
#include "support/Failures.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QtTest>

class tst_FileSystem : public QObject {
    Q_OBJECT
private slots:
    void filesByPattern_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("*.mdb") << "*.mdb" << QStringList{"B.MDB", "a.mdb", "c.Mdb"};
        QTest::newRow("*.MDB") << "*.MDB" << QStringList{"B.MDB", "a.mdb", "c.Mdb"};
        QTest::newRow("*.dat") << "*.dat" << QStringList{"Template.dat"};
        QTest::newRow("exact name, any case") << "TEMPLATE.DAT" << QStringList{"Template.dat"};
        QTest::newRow("*") << "*" << QStringList{"B.MDB", "Template.dat", "a.mdb",
                                                 "c.Mdb", "plist.ini",    "x.mdbx"};
    }
    void filesByPattern() {
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        TestFolder folder;
        for (const char* name : {"a.mdb", "B.MDB", "c.Mdb", "x.mdbx", "Template.dat", "plist.ini"})
            folder.write(QString::fromLatin1(name), "x");
        QVERIFY(QDir(folder.path()).mkdir("d.mdb"));
        QStringList got = FileSystem::files(folder.path(), pattern);
        QCOMPARE(got, expected);
        QCOMPARE(FileSystem::anyMatch(folder.path(), pattern), !expected.isEmpty());
    }

    void noMatchInEmptyFolder() {
        TestFolder folder;
        QVERIFY(QDir(folder.path()).mkdir("only.mdb"));
        QVERIFY(FileSystem::files(folder.path(), "*.mdb").isEmpty());
        QVERIFY(!FileSystem::anyMatch(folder.path(), "*.mdb"));
    }

    void copyReplacesTarget() {
        TestFolder folder;
        folder.write("a.mdb", "new content");
        folder.write("b.mdb", "old content that is longer");
        FileSystem::copy(folder.file("a.mdb"), folder.file("b.mdb"));
        QCOMPARE(folder.read("b.mdb"), QByteArray("new content"));
        QCOMPARE(folder.read("a.mdb"), QByteArray("new content"));
        FileSystem::copy(folder.file("a.mdb"), folder.file("fresh.mdb"));
        QCOMPARE(folder.read("fresh.mdb"), QByteArray("new content"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 3);
    }

    void copyFailures_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("number");
        QTest::newRow("missing source") << "missing.mdb" << 53;
        QTest::newRow("source is a folder") << "dir.mdb" << 75;
    }
    void copyFailures() {
        QFETCH(QString, source);
        QFETCH(int, number);
        TestFolder folder;
        QDir(folder.path()).mkdir("dir.mdb");
        QCOMPARE(failureOf([&] { FileSystem::copy(folder.file(source), folder.file("t.mdb")); }),
                 number);
        QVERIFY(!folder.exists("t.mdb"));
    }

    void copyRefusesOpenList_data() {
        QTest::addColumn<bool>("openIsSource");
        QTest::addColumn<bool>("throughDataControl");
        QTest::newRow("source open, Database") << true << false;
        QTest::newRow("target open, Database") << false << false;
        QTest::newRow("source open, data control") << true << true;
        QTest::newRow("target open, data control") << false << true;
    }
    void copyRefusesOpenList() {
        QFETCH(bool, openIsSource);
        QFETCH(bool, throughDataControl);
        TestFolder folder;
        folder.addList("Open.mdb");
        folder.addContacts("Open.mdb", {{"Ann"}});
        folder.addList("Other.mdb");
        const QByteArray openBytes = folder.read("Open.mdb");
        const QByteArray otherBytes = folder.read("Other.mdb");
        const QString open = folder.file("Open.mdb");
        const QString other = folder.file("Other.mdb");
        const QString source = openIsSource ? open : other;
        const QString target = openIsSource ? other : open;
        {
            std::unique_ptr<Database> db;
            std::unique_ptr<DataControl> dc;
            if (throughDataControl) {
                dc = std::make_unique<DataControl>();
                dc->setDatabaseName(open);
                dc->setRecordSource("pName2");
                dc->refresh();
            } else {
                db = std::make_unique<Database>(open);
            }
            QCOMPARE(failureOf([&] { FileSystem::copy(source, target); }), 70);
            // The open file under another spelling of its path.
            const QString respelt = folder.path() + "/./Open.mdb";
            QCOMPARE(failureOf([&] {
                         FileSystem::copy(openIsSource ? respelt : other,
                                          openIsSource ? other : respelt);
                     }),
                     70);
            QCOMPARE(folder.read("Open.mdb"), openBytes);
            QCOMPARE(folder.read("Other.mdb"), otherBytes);
        }
        // Closed: the copy goes through.
        FileSystem::copy(source, target);
        QCOMPARE(folder.read(QFileInfo(target).fileName()),
                 folder.read(QFileInfo(source).fileName()));
    }

    // A list deleted while open, reached through a linked folder, is free again once closed.
    void listDeletedWhileOpenIsReleased() {
        TestFolder folder;
        QDir(folder.path()).mkdir("real");
        QVERIFY(QFile::link(folder.file("real"), folder.file("linked")));
        folder.addList("real/L.mdb");
        const QString viaLink = folder.file("linked/L.mdb");
        {
            Database db(viaLink);
            QVERIFY(QFile::remove(folder.file("real/L.mdb")));
            folder.addList("Spare.mdb");
            QCOMPARE(failureOf([&] { FileSystem::copy(folder.file("Spare.mdb"), viaLink); }), 70);
        }
        FileSystem::copy(folder.file("Spare.mdb"), viaLink);
        QVERIFY(folder.exists("real/L.mdb"));
    }

    void failedCopyLeavesOldTarget() {
        TestFolder folder;
        QByteArray big(300000, 'n');
        folder.write("src.mdb", big);
        folder.write("dst.mdb", "old");
        FileSystem::failNextCopyWith(61);
        QCOMPARE(
            failureOf([&] { FileSystem::copy(folder.file("src.mdb"), folder.file("dst.mdb")); }),
            61);
        QCOMPARE(folder.read("dst.mdb"), QByteArray("old"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"dst.mdb", "src.mdb"}));
        // Only the next copy fails.
        FileSystem::copy(folder.file("src.mdb"), folder.file("dst.mdb"));
        QCOMPARE(folder.read("dst.mdb"), big);
    }

    void rename_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("openSource");
        QTest::addColumn<int>("number");
        QTest::newRow("plain") << "AreaCodes.dat"
                               << "AreaCodes.mdb" << false << 0;
        QTest::newRow("target exists") << "AreaCodes.dat"
                                       << "Taken.mdb" << false << 58;
        QTest::newRow("source missing") << "Nothing.dat"
                                        << "AreaCodes.mdb" << false << 53;
        QTest::newRow("source open") << "AreaCodes.dat"
                                     << "AreaCodes.mdb" << true << 70;
    }
    void rename() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(bool, openSource);
        QFETCH(int, number);
        TestFolder folder;
        folder.install("AreaCodes.dat");
        folder.write("Taken.mdb", "taken");
        const QByteArray before = folder.read("AreaCodes.dat");
        std::unique_ptr<Database> db;
        if (openSource)
            db = std::make_unique<Database>(folder.file(source));
        QCOMPARE(failureOf([&] { FileSystem::rename(folder.file(source), folder.file(target)); }),
                 number);
        if (number == 0) {
            QVERIFY(!folder.exists(source));
            QCOMPARE(folder.read(target), before);
        } else {
            QCOMPARE(folder.read("AreaCodes.dat"), before);
            QCOMPARE(folder.read("Taken.mdb"), QByteArray("taken"));
        }
        db.reset();
        if (openSource) {
            FileSystem::rename(folder.file(source), folder.file(target));
            QVERIFY(folder.exists(target));
        }
    }

    void remove() {
        TestFolder folder;
        folder.addList("Gone.mdb");
        {
            Database db(folder.file("Gone.mdb"));
            QCOMPARE(failureOf([&] { FileSystem::remove(folder.file("Gone.mdb")); }), 70);
            QVERIFY(folder.exists("Gone.mdb"));
        }
        FileSystem::remove(folder.file("Gone.mdb"));
        QVERIFY(!FileSystem::exists(folder.file("Gone.mdb")));
        QCOMPARE(failureOf([&] { FileSystem::remove(folder.file("Gone.mdb")); }), 53);
    }

    void replaceMovesNewContentIn() {
        TestFolder folder;
        folder.write("qv.new", "[lastdb]\r\ndb=A.mdb\r\n");
        folder.write("plist.ini", "old");
        FileSystem::replace(folder.file("qv.new"), folder.file("plist.ini"));
        QVERIFY(!folder.exists("qv.new"));
        QCOMPARE(folder.read("plist.ini"), QByteArray("[lastdb]\r\ndb=A.mdb\r\n"));
    }
};

QTEST_MAIN(tst_FileSystem)
#include "tst_filesystem.moc"
