// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Twips.h"

#include <QScreen>
#include <QtTest>

class tst_Twips : public QObject {
    Q_OBJECT
private slots:
    void pixelsAt96Dpi_data() {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("15") << 15 << 1;
        QTest::newRow("375") << 375 << 25;
        QTest::newRow("an inch") << 1440 << 96;
        QTest::newRow("rounds 22 down") << 22 << 1;
        QTest::newRow("rounds 23 up") << 23 << 2;
    }
    void pixelsAt96Dpi() {
        if (qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()) != 96)
            QSKIP("screen is not 96 DPI");
        QFETCH(int, twips);
        QTEST(Twips::toPixels(twips), "pixels");
    }
};

QTEST_MAIN(tst_Twips)
#include "tst_twips.moc"
