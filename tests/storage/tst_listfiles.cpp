#include "support/TestFolder.h"

#include "platform/OpenFiles.h"
#include "platform/RunError.h"
#include "storage/ListFiles.h"

#include <QtTest>

class tst_ListFiles : public QObject {
    Q_OBJECT

private slots:
    void fileNameFor_data();
    void fileNameFor();
    void displayName_data();
    void displayName();
    void reservedNames_data();
    void reservedNames();
    void pathIsInApplicationFolder();
    void areaCodeNames_data();
    void areaCodeNames();
};

void tst_ListFiles::fileNameFor_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("no extension") << "Home"
                                  << "Home.mdb";
    QTest::newRow("lower case") << "Home.mdb"
                                << "Home.mdb";
    QTest::newRow("upper case") << "Home.MDB"
                                << "Home.MDB";
    QTest::newRow("mixed case") << "Home.Mdb"
                                << "Home.Mdb";
    QTest::newRow("other extension") << "Home.txt"
                                     << "Home.txt.mdb";
    QTest::newRow("longer extension") << "Home.mdbx"
                                      << "Home.mdbx.mdb";
    QTest::newRow("name ending mdb") << "Homemdb"
                                     << "Homemdb.mdb";
    QTest::newRow("blanks kept") << "My List"
                                 << "My List.mdb";
}

void tst_ListFiles::fileNameFor() {
    QFETCH(QString, typed);
    QFETCH(QString, fileName);
    QCOMPARE(ListFiles::fileNameFor(typed), fileName);
}

void tst_ListFiles::displayName_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("display");
    QTest::newRow("default list") << "Quillary.mdb"
                                  << "Quillary";
    QTest::newRow("upper case") << "HOME.MDB"
                                << "HOME";
    QTest::newRow("dots inside") << "a.b.mdb"
                                 << "a.b";
    QTest::newRow("extension only") << ".mdb"
                                    << "";
}

void tst_ListFiles::displayName() {
    QFETCH(QString, fileName);
    QFETCH(QString, display);
    QCOMPARE(ListFiles::displayName(fileName), display);
    QCOMPARE(ListFiles::fileNameFor(display), display + ".mdb");
}

void tst_ListFiles::reservedNames_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("isTemplate");
    QTest::addColumn<bool>("isAreaCodes");
    QTest::newRow("TEMPLATE.MDB") << "TEMPLATE.MDB" << true << false;
    QTest::newRow("Template.mdb") << "Template.mdb" << true << false;
    QTest::newRow("template.Mdb") << "template.Mdb" << true << false;
    QTest::newRow("AREACODES.MDB") << "AREACODES.MDB" << false << true;
    QTest::newRow("AreaCodes.mdb") << "AreaCodes.mdb" << false << true;
    QTest::newRow("areacodes.mDb") << "areacodes.mDb" << false << true;
    QTest::newRow("Template.dat") << "Template.dat" << false << false;
    QTest::newRow("AreaCodes.dat") << "AreaCodes.dat" << false << false;
    QTest::newRow("MyTemplate.mdb") << "MyTemplate.mdb" << false << false;
    QTest::newRow("AreaCodes2.mdb") << "AreaCodes2.mdb" << false << false;
    QTest::newRow("Quillary.mdb") << "Quillary.mdb" << false << false;
}

void tst_ListFiles::reservedNames() {
    QFETCH(QString, fileName);
    QFETCH(bool, isTemplate);
    QFETCH(bool, isAreaCodes);
    QCOMPARE(ListFiles::isReservedTemplate(fileName), isTemplate);
    QCOMPARE(ListFiles::isReservedAreaCodes(fileName), isAreaCodes);
}

void tst_ListFiles::pathIsInApplicationFolder() {
    TestFolder folder;
    folder.write("Home.mdb", "x");
    QCOMPARE(ListFiles::pathOf("Home.mdb"), folder.path() + "/Home.mdb");
    QVERIFY(QFile::exists(ListFiles::pathOf("Home.mdb")));
}

void tst_ListFiles::areaCodeNames_data() {
    QTest::addColumn<bool>("close");
    QTest::addColumn<QByteArray>("closedBefore"); // empty: no such file
    QTest::addColumn<QByteArray>("openBefore");
    QTest::addColumn<bool>("heldOpen");
    QTest::addColumn<QByteArray>("closedAfter");
    QTest::addColumn<QByteArray>("openAfter");
    QTest::addColumn<int>("error");

    QTest::newRow("close renames back") << true << QByteArray() << QByteArray("codes") << false
                                        << QByteArray("codes") << QByteArray() << 0;
    QTest::newRow("close when already closed") << true << QByteArray("codes") << QByteArray()
                                               << false << QByteArray("codes") << QByteArray() << 0;
    QTest::newRow("close with neither")
        << true << QByteArray() << QByteArray() << false << QByteArray() << QByteArray() << 0;
    QTest::newRow("close with both names")
        << true << QByteArray("old") << QByteArray("new") << false << QByteArray("old")
        << QByteArray("new") << int(ErrNo::FileAlreadyExists);
    QTest::newRow("close while in use")
        << true << QByteArray() << QByteArray("codes") << true << QByteArray()
        << QByteArray("codes") << int(ErrNo::PermissionDenied);
    QTest::newRow("open renames") << false << QByteArray("codes") << QByteArray() << false
                                  << QByteArray() << QByteArray("codes") << 0;
    QTest::newRow("open when already open") << false << QByteArray() << QByteArray("codes") << false
                                            << QByteArray() << QByteArray("codes") << 0;
    QTest::newRow("open with neither")
        << false << QByteArray() << QByteArray() << false << QByteArray() << QByteArray() << 0;
    QTest::newRow("open with both names")
        << false << QByteArray("old") << QByteArray("new") << false << QByteArray("old")
        << QByteArray("new") << int(ErrNo::FileAlreadyExists);
}

void tst_ListFiles::areaCodeNames() {
    QFETCH(bool, close);
    QFETCH(QByteArray, closedBefore);
    QFETCH(QByteArray, openBefore);
    QFETCH(bool, heldOpen);
    QFETCH(QByteArray, closedAfter);
    QFETCH(QByteArray, openAfter);
    QFETCH(int, error);

    TestFolder folder;
    if (!closedBefore.isEmpty())
        folder.write("AreaCodes.dat", closedBefore);
    if (!openBefore.isEmpty())
        folder.write("AreaCodes.mdb", openBefore);
    const QString openPath = folder.file("AreaCodes.mdb");
    if (heldOpen)
        OpenFiles::acquire(openPath);

    int thrown = 0;
    try {
        if (close)
            ListFiles::closeAreaCodes();
        else
            ListFiles::openAreaCodes();
    } catch (const RunError& e) {
        thrown = e.number();
    }
    if (heldOpen)
        OpenFiles::release(openPath);

    QCOMPARE(thrown, error);
    QCOMPARE(folder.exists("AreaCodes.dat"), !closedAfter.isEmpty());
    QCOMPARE(folder.exists("AreaCodes.mdb"), !openAfter.isEmpty());
    QCOMPARE(folder.read("AreaCodes.dat"), closedAfter);
    QCOMPARE(folder.read("AreaCodes.mdb"), openAfter);
}

QTEST_MAIN(tst_ListFiles)
#include "tst_listfiles.moc"
