#include "platform/DataControl.h"
#include "platform/Database.h"
#include "platform/FileSystem.h"
#include "platform/RunError.h"
#include "support/Failures.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QtTest>

namespace {
QStringList entries(const TestFolder& folder) {
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}
} // namespace

class tst_FileSystem : public QObject {
    Q_OBJECT
private slots:
    void filesByPattern_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("*.mdb") << "*.mdb" << QStringList{"B.MDB", "a.mdb", "c.Mdb"};
        QTest::newRow("*.MDB") << "*.MDB" << QStringList{"B.MDB", "a.mdb", "c.Mdb"};
        QTest::newRow("exact name, any case") << "TEMPLATE.DAT" << QStringList{"Template.dat"};
        QTest::newRow("no match") << "*.xyz" << QStringList{};
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
        QCOMPARE(FileSystem::files(folder.path(), pattern), expected);
        QCOMPARE(FileSystem::anyMatch(folder.path(), pattern), !expected.isEmpty());
    }

    // The copy lands complete under the target's name and leaves nothing else
    // behind; it writes through no link planted beside the target, and takes
    // names as long as the file system allows.
    void copyReplacesTarget_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<bool>("planted");
        QTest::newRow("new target") << "fresh.mdb" << false << false;
        QTest::newRow("old target") << "b.mdb" << true << false;
        QTest::newRow("250-character name") << QString(246, 'n') + ".mdb" << false << false;
        QTest::newRow("link planted beside") << "b.mdb" << true << true;
    }
    void copyReplacesTarget() {
        QFETCH(QString, target);
        QFETCH(bool, existing);
        QFETCH(bool, planted);
        TestFolder folder;
        TestFolder outside;
        outside.write("victim", "untouched");
        folder.write("a.mdb", "new content");
        if (existing)
            folder.write(target, "old content that is longer");
        if (planted)
            QVERIFY(QFile::link(outside.file("victim"), folder.file(target + ".quillary-copy")));
        const QStringList before = entries(folder);
        FileSystem::copy(folder.file("a.mdb"), folder.file(target));
        QCOMPARE(folder.read(target), QByteArray("new content"));
        QCOMPARE(outside.read("victim"), QByteArray("untouched"));
        QStringList expected = before;
        if (!existing)
            expected = QStringList(before) << target;
        expected.sort();
        QCOMPARE(entries(folder), expected);
    }

    void copyFailures_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("number");
        QTest::newRow("missing source") << "missing.mdb" << 53;
        QTest::newRow("source is a folder") << "dir.mdb" << 75;
        QTest::newRow("failure while writing") << "src.mdb" << 61;
    }
    void copyFailures() {
        QFETCH(QString, source);
        QFETCH(int, number);
        TestFolder folder;
        QDir(folder.path()).mkdir("dir.mdb");
        const QByteArray big(300000, 'n');
        folder.write("src.mdb", big);
        folder.write("dst.mdb", "old");
        if (number == 61)
            FileSystem::failNextCopyWith(61);
        QCOMPARE(failureOf([&] { FileSystem::copy(folder.file(source), folder.file("dst.mdb")); }),
                 number);
        QCOMPARE(folder.read("dst.mdb"), QByteArray("old"));
        QCOMPARE(entries(folder), QStringList({"dst.mdb", "src.mdb"}));
        // Only the next copy fails.
        FileSystem::copy(folder.file("src.mdb"), folder.file("dst.mdb"));
        QCOMPARE(folder.read("dst.mdb"), big);
    }

    void copyRefusesOpenList_data() {
        QTest::addColumn<bool>("openIsSource");
        QTest::newRow("source open") << true;
        QTest::newRow("target open") << false;
    }
    void copyRefusesOpenList() {
        QFETCH(bool, openIsSource);
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
            DataControl dc;
            dc.setDatabaseName(open);
            dc.setRecordSource("pName2");
            dc.refresh();
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

    void rename_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("openSource");
        QTest::addColumn<int>("number");
        QTest::newRow("plain") << "AreaCodes.dat"
                               << "AreaCodes.mdb" << false << 0;
        QTest::newRow("target exists") << "AreaCodes.dat"
                                       << "Taken.mdb" << false << 58;
        QTest::newRow("target a link to nothing") << "AreaCodes.dat"
                                                  << "Dangling.mdb" << false << 58;
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
        QVERIFY(QFile::link(folder.file("nowhere"), folder.file("Dangling.mdb")));
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
            QCOMPARE(QFileInfo(folder.file("Dangling.mdb")).symLinkTarget(),
                     folder.file("nowhere"));
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
};

QTEST_MAIN(tst_FileSystem)
#include "tst_filesystem.moc"
