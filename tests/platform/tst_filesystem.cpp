// SPDX-License-Identifier: GPL-3.0-or-later
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
    // The lists are the plain files named *.mdb in any letter case. (Whether
    // there are any: start-up's tests.)
    void listFiles() {
        TestFolder folder;
        for (const char* name : {"a.mdb", "B.MDB", "c.Mdb", "x.mdbx", "Template.dat", "plist.ini"})
            folder.write(QString::fromLatin1(name), "x");
        QVERIFY(QDir(folder.path()).mkdir("d.mdb"));
        QCOMPARE(FileSystem::files(folder.path(), "*.mdb"),
                 QStringList({"B.MDB", "a.mdb", "c.Mdb"}));
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

    // A folder is nothing to copy from; the target stays as it was. (A missing
    // source and a failure while writing: the list windows' tests.)
    void copyFromFolderFails() {
        TestFolder folder;
        QDir(folder.path()).mkdir("dir.mdb");
        folder.write("dst.mdb", "old");
        QCOMPARE(
            failureOf([&] { FileSystem::copy(folder.file("dir.mdb"), folder.file("dst.mdb")); }),
            75);
        QCOMPARE(folder.read("dst.mdb"), QByteArray("old"));
        QCOMPARE(entries(folder), QStringList{"dst.mdb"});
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
    // list alone. (A plain rename: the area code file's tests.)
    void rename_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("openSource");
        QTest::addColumn<int>("number");
        const QString codes("AreaCodes.dat");
        QTest::newRow("target exists") << codes << "Taken.mdb" << false << 58;
        QTest::newRow("target a link to nothing") << codes << "Dangling.mdb" << false << 58;
        QTest::newRow("source missing") << "Nothing.dat" << QString("AreaCodes.mdb") << false << 53;
        QTest::newRow("source open") << codes << "AreaCodes.mdb" << true << 70;
    }
    void rename() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(bool, openSource);
        TestFolder folder;
        folder.install("AreaCodes.dat");
        folder.write("Taken.mdb", "taken");
        QVERIFY(QFile::link(folder.file("nowhere"), folder.file("Dangling.mdb")));
        const QByteArray before = folder.read("AreaCodes.dat");
        std::unique_ptr<Database> db;
        if (openSource)
            db = std::make_unique<Database>(folder.file(source));
        QTEST(failureOf([&] { FileSystem::rename(folder.file(source), folder.file(target)); }),
              "number");
        QCOMPARE(folder.read("AreaCodes.dat"), before);
        QCOMPARE(folder.read("Taken.mdb"), QByteArray("taken"));
        QCOMPARE(QFileInfo(folder.file("Dangling.mdb")).symLinkTarget(), folder.file("nowhere"));
        db.reset();
        if (openSource) {
            FileSystem::rename(folder.file(source), folder.file(target));
            QCOMPARE(folder.read(target), before);
        }
    }
};

QTEST_GUILESS_MAIN(tst_FileSystem)
#include "tst_filesystem.moc"
