// SPDX-License-Identifier: GPL-3.0-or-later
// Layouts are given in twips, 1/1440 inch. At whatever DPI the screen has, a
// length comes out as the whole number of pixels nearest to its length on that
// screen, and a pixel length taken to twips and back is unchanged.
#include "platform/Twips.h"

#include <QScreen>
#include <QWidget>
#include <QtTest>
#include <cmath>

namespace {
double pixelsPerInch() {
    return QGuiApplication::primaryScreen()->logicalDotsPerInchY();
}
} // namespace

class tst_Twips : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qInfo("screen: %.1f DPI", pixelsPerInch()); }

    void lengthsAreTheNearestWholePixels_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("the first inch, twip by twip") << 0 << 1440;
        QTest::newRow("a window's width") << 9000 << 10500;
    }
    void lengthsAreTheNearestWholePixels() {
        QFETCH(int, from);
        QFETCH(int, to);
        for (int twips = from; twips <= to; ++twips) {
            const double onScreen = twips / 1440.0 * pixelsPerInch();
            const int pixels = Twips::toPixels(twips);
            QVERIFY2(
                std::abs(pixels - onScreen) <= 0.5 + 1e-9,
                qPrintable(
                    QString("%1 twips: %2 pixels for %3").arg(twips).arg(pixels).arg(onScreen)));
        }
    }

    void pixelLengthsComeBackUnchanged() {
        for (int pixels = 0; pixels <= 1000; ++pixels)
            QCOMPARE(Twips::toPixels(Twips::toTwips(pixels)), pixels);
    }

    // A control placed in twips measures its inches on the screen.
    void placedControlMeasuresItsInches() {
        QWidget container;
        auto* control = new QWidget(&container);
        Twips::place(control, 720, 1440, 2880, 360); // 1/2, 1, 2 and 1/4 inch
        const double inch = pixelsPerInch();
        const QRectF inches(control->x() / inch, control->y() / inch, control->width() / inch,
                            control->height() / inch);
        const double pixel = 1 / inch;
        QVERIFY(std::abs(inches.x() - 0.5) <= pixel && std::abs(inches.y() - 1) <= pixel);
        QVERIFY(std::abs(inches.width() - 2) <= pixel && std::abs(inches.height() - 0.25) <= pixel);
    }
};

QTEST_MAIN(tst_Twips)
#include "tst_twips.moc"
