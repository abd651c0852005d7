// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/ListFiles.h"

#include <QtTest>

class tst_ListFiles : public QObject {
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(tst_ListFiles)
#include "tst_listfiles.moc"
