// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppFolder.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {
const QStringList seedFiles = {"Template.dat", "Quillary.mdb", "plist.ini", "AreaCodes.dat"};

// The data files, read-only as an installation leaves them.
void installData(const QString& folder) {
    QDir().mkpath(folder);
    for (const QString& name : seedFiles) {
        QFile::copy(installedDataFile(name == "Quillary.mdb" ? "Template.dat" : name),
                    folder + '/' + name);
        QFile::setPermissions(folder + '/' + name, QFile::ReadOwner | QFile::ReadOther);
    }
}

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

// A program in <root>/prefix/bin, a user's data home in <root>/home.
class tst_AppFolder : public QObject {
    Q_OBJECT
private slots:
    void choosesAndSeedsTheFolder_data() {
        QTest::addColumn<bool>("installed");    // data under prefix/share/quillary
        QTest::addColumn<QString>("requested"); // --folder, under root
        QTest::addColumn<QString>("dataHome");  // $XDG_DATA_HOME, under root
        QTest::addColumn<bool>("userHasLists");
        QTest::addColumn<QString>("expected"); // empty: no folder can be used
        const auto row = [](const char* tag, bool installed, const char* requested,
                            const char* dataHome, bool userHasLists, const char* expected) {
            QTest::newRow(tag) << installed << QString(requested) << QString(dataHome)
                               << userHasLists << QString(expected);
        };
        row("writable program folder holding the lists", false, "", "home", false, "prefix/bin");
        row("installed: per-user folder", true, "", "home", false, "home/Quillary");
        row("installed, --folder", true, "my lists/2027", "home", false, "my lists/2027");
        row("portable copy, --folder", false, "elsewhere", "home", false, "elsewhere");
        row("installed: the user's lists are kept", true, "", "home", true, "home/Quillary");
        row("installed: data home under a plain file", true, "", "a file/data", false, "");
        row("--folder naming the installed data", true, "prefix/share/quillary", "home", false, "");
        row("--folder under a plain file", true, "a file/lists", "home", false, "");
    }
    void choosesAndSeedsTheFolder() {
        QFETCH(bool, installed);
        QFETCH(QString, requested);
        QFETCH(QString, dataHome);
        QFETCH(bool, userHasLists);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QString bin = root.filePath("prefix/bin");
        write(bin + "/quillary", "program");
        installData(installed ? root.filePath("prefix/share/quillary") : bin);
        write(root.filePath("a file"), "not a folder");
        const QString user = root.filePath("home/Quillary");
        if (userHasLists) {
            write(user + "/Work.mdb", "my contacts");
            write(user + "/plist.ini", "[lastdb]\r\ndb=Work.mdb\r\n");
            write(user + "/AreaCodes.mdb", "my area codes");
            // Private to the user, and changed long ago.
            for (const char* name : {"Work.mdb", "plist.ini", "AreaCodes.mdb"}) {
                QFile f(user + '/' + name);
                QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
                        f.open(QIODevice::ReadWrite) &&
                        f.setFileTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4)),
                                      QFileDevice::FileModificationTime));
            }
        }
        // An installed program's folder is read-only (root may write anyway; the
        // choice must not depend on that).
        if (installed)
            QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner);
        const auto prefixBefore = snapshot(root.filePath("prefix"));
        const auto userBefore = snapshot(user);
        const auto allBefore = snapshot(root.path());
        qputenv("XDG_DATA_HOME", root.filePath(dataHome).toLocal8Bit());

        const QString refusal =
            AppFolder::choose(bin, requested.isEmpty() ? QString() : root.filePath(requested));
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(snapshot(root.filePath("prefix")), prefixBefore);
        if (expected.isEmpty()) {
            const QString named = root.filePath(requested.isEmpty() ? dataHome : requested);
            QVERIFY2(refusal.contains(named), qPrintable(refusal));
            QCOMPARE(snapshot(root.path()), allBefore); // nothing made or changed
            return;
        }
        QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
        const QString folder = root.filePath(expected);
        QCOMPARE(AppFolder::programFolder(), folder);
        QCOMPARE(QFileInfo::exists(user), expected == "home/Quillary");
        if (folder == bin)
            return;
        const QString source = installed ? root.filePath("prefix/share/quillary") : bin;
        const auto userAfter = snapshot(user);
        for (auto it = userBefore.begin(); it != userBefore.end(); ++it)
            QCOMPARE(userAfter.value(it.key()), it.value()); // the user's files stay
        QCOMPARE(read(folder + "/Template.dat"), read(source + "/Template.dat"));
        // A user's own lists and area codes (under their other name) need no seed.
        QCOMPARE(QFileInfo::exists(folder + "/Quillary.mdb"), !userHasLists);
        QCOMPARE(QFileInfo::exists(folder + "/AreaCodes.dat"), !userHasLists);
        if (userHasLists)
            return;
        for (const QString& name : seedFiles)
            QCOMPARE(read(folder + '/' + name), read(source + '/' + name));
        QVERIFY(QFileInfo(folder + "/Quillary.mdb").permissions() & QFile::WriteOwner);
    }
};

QTEST_GUILESS_MAIN(tst_AppFolder)
#include "tst_appfolder.moc"
