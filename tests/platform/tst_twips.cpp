#include "platform/Twips.h"

#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <QtTest>

class tst_Twips : public QObject {
    Q_OBJECT
private slots:
    void inchIsLogicalDpi() {
        const int dpi = qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY());
        QCOMPARE(Twips::toPixels(1440), dpi);
        QCOMPARE(Twips::toTwips(dpi), 1440);
    }

    void pixelsAt96Dpi_data() {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("15") << 15 << 1;
        QTest::newRow("375") << 375 << 25;
        QTest::newRow("4590") << 4590 << 306;
        QTest::newRow("rounds 22") << 22 << 1;
        QTest::newRow("rounds 23") << 23 << 2;
    }
    void pixelsAt96Dpi() {
        if (qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()) != 96)
            QSKIP("screen is not 96 DPI");
        QFETCH(int, twips);
        QFETCH(int, pixels);
        QCOMPARE(Twips::toPixels(twips), pixels);
    }

    void place_data() {
        QTest::addColumn<QList<int>>("twips");
        QTest::newRow("Data1") << QList<int>{4050, 4590, 5490, 375};
        QTest::newRow("Label5") << QList<int>{315, 4815, 3375, 255};
        QTest::newRow("origin") << QList<int>{0, 0, 1440, 720};
    }
    void place() {
        QFETCH(QList<int>, twips);
        QWidget parent;
        QLabel child(&parent);
        Twips::place(&child, twips[0], twips[1], twips[2], twips[3]);
        QCOMPARE(child.geometry(), QRect(Twips::toPixels(twips[0]), Twips::toPixels(twips[1]),
                                         Twips::toPixels(twips[2]), Twips::toPixels(twips[3])));
        QCOMPARE(child.geometry(), Twips::rect(twips[0], twips[1], twips[2], twips[3]));
    }

    void clientSize() {
        QWidget w;
        Twips::setFixedClientSize(&w, 9690, 6210);
        QCOMPARE(w.size(), QSize(Twips::toPixels(9690), Twips::toPixels(6210)));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QWidget v;
        Twips::setClientSize(&v, 2880, 1440);
        QCOMPARE(v.size(), QSize(Twips::toPixels(2880), Twips::toPixels(1440)));
    }

    void fonts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QString>("family");
        QTest::newRow("Arial 8.25 bold") << "Arial" << 8.25 << true << "Arial";
        QTest::newRow("Arial 9.75") << "Arial" << 9.75 << false << "Arial";
        QTest::newRow("MS Sans Serif 8.25") << "MS Sans Serif" << 8.25 << false << "DejaVu Sans";
        QTest::newRow("ms sans serif any case") << "ms sans serif" << 9.75 << true << "DejaVu Sans";
    }
    void fonts() {
        QFETCH(QString, name);
        QFETCH(double, points);
        QFETCH(bool, bold);
        QFETCH(QString, family);
        const QFont f = Fonts::make(name, points, bold);
        QCOMPARE(f.family(), family);
        QCOMPARE(Fonts::family(name), family);
        QCOMPARE(f.pointSizeF(), points);
        QCOMPARE(f.bold(), bold);
    }
};

QTEST_MAIN(tst_Twips)
#include "tst_twips.moc"
