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

    // A list held open is neither copied from nor over, under any spelling of
    // its path; closed, the copy goes through.
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
        const auto copy = [&](const QString& open) {
            const QString other = folder.file("Other.mdb");
            FileSystem::copy(openIsSource ? open : other, openIsSource ? other : open);
        };
        {
            Database db(folder.file("Open.mdb"));
            QCOMPARE(failureOf([&] { copy(folder.file("Open.mdb")); }), 70);
            QCOMPARE(failureOf([&] { copy(folder.path() + "/./Open.mdb"); }), 70);
            QCOMPARE(folder.read("Open.mdb"), openBytes);
            QCOMPARE(folder.read("Other.mdb"), otherBytes);
        }
        copy(folder.file("Open.mdb"));
        QCOMPARE(folder.read("Open.mdb"), folder.read("Other.mdb"));
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

    // Renaming never replaces a file (nor a link to nothing) and leaves an open
    // list alone; removing refuses an open list too. A rename row without a
    // target is a removal.
    void renameAndRemove_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("openSource");
        QTest::addColumn<int>("number");
        const QString codes("AreaCodes.dat");
        QTest::newRow("plain") << codes << "AreaCodes.mdb" << false << 0;
        QTest::newRow("target exists") << codes << "Taken.mdb" << false << 58;
        QTest::newRow("target a link to nothing") << codes << "Dangling.mdb" << false << 58;
        QTest::newRow("source missing") << "Nothing.dat" << codes << false << 53;
        QTest::newRow("source open") << codes << "AreaCodes.mdb" << true << 70;
        QTest::newRow("remove") << codes << QString() << false << 0;
        QTest::newRow("remove missing") << "Nothing.dat" << QString() << false << 53;
        QTest::newRow("remove open") << codes << QString() << true << 70;
    }
    void renameAndRemove() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(bool, openSource);
        QFETCH(int, number);
        TestFolder folder;
        folder.install("AreaCodes.dat");
        folder.write("Taken.mdb", "taken");
        QVERIFY(QFile::link(folder.file("nowhere"), folder.file("Dangling.mdb")));
        const QByteArray before = folder.read("AreaCodes.dat");
        const auto act = [&] {
            if (target.isEmpty())
                FileSystem::remove(folder.file(source));
            else
                FileSystem::rename(folder.file(source), folder.file(target));
        };
        std::unique_ptr<Database> db;
        if (openSource)
            db = std::make_unique<Database>(folder.file(source));
        QCOMPARE(failureOf(act), number);
        if (number == 0) {
            QVERIFY(!FileSystem::exists(folder.file(source)));
            QCOMPARE(target.isEmpty() || folder.read(target) == before, true);
        } else {
            QCOMPARE(folder.read("AreaCodes.dat"), before);
            QCOMPARE(folder.read("Taken.mdb"), QByteArray("taken"));
            QCOMPARE(QFileInfo(folder.file("Dangling.mdb")).symLinkTarget(),
                     folder.file("nowhere"));
        }
        db.reset();
        if (openSource) {
            act();
            QVERIFY(!folder.exists(source));
        }
    }
};

QTEST_MAIN(tst_FileSystem)
#include "tst_filesystem.moc"
