#include "about/Emblem.h"
#include "about/frmAbout.h"
#include "about/frmHelp.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {
// Closing unloads a window on the next pass of the event loop; run that pass now.
void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int countTopLevel(const char* className) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits(className))
            ++n;
    return n;
}

bool isOpen(QWidget* w) {
    return w && w->isVisible();
}
} // namespace

class tst_about : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void loadShowsCaptionTitleAndVersion();
    void descriptionHoldsTheFixedSentenceAndCreditsOncePerOpening();
    void keys_data();
    void keys();
    void frameCloseBoxUnloads();
    void displayTwiceBringsTheSameBoxForward();
    void boxHasFixedSizeAndOpensCentred();
    void helpOpensBesideTheBoxAndOutlivesIt();
    void helpClosedFirstLeavesTheBoxOpen();
    void helpOpenedAgainShowsTheBodyOnce();
    void helpShownAgainWhileOpenKeepsItsInstance();
    void helpResizeKeepsControlsInPlace();
    void emblemIsDrawnAtTheAskedSizes();
};

void tst_about::cleanup() {
    if (frmHelp::instance())
        frmHelp::instance()->close();
    if (frmAbout::instance())
        frmAbout::instance()->close();
    flushDeletes();
    QVERIFY(!frmAbout::instance());
    QVERIFY(!frmHelp::instance());
}

void tst_about::loadShowsCaptionTitleAndVersion() {
    frmAbout::display();
    frmAbout* box = frmAbout::instance();
    QVERIFY(isOpen(box));
    QCOMPARE(box->windowTitle(), QStringLiteral("About Quillary"));
    QCOMPARE(box->lblTitle->text(), QStringLiteral("Quillary"));
    QCOMPARE(box->lblVersion->text(), QStringLiteral("Version 3.0.18"));
    QCOMPARE(box->cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(box->cmdHelp->text(), QStringLiteral("Help"));
    QVERIFY(!box->lblDisclaimer->text().isEmpty());
    QCOMPARE(box->Picture1->pixmap().size(), QSize(50, 50));
    QVERIFY(!box->isModal());
    QVERIFY(!box->parentWidget());
}

void tst_about::descriptionHoldsTheFixedSentenceAndCreditsOncePerOpening() {
    QString first;
    for (int opening = 0; opening < 3; ++opening) {
        frmAbout::display();
        frmAbout* box = frmAbout::instance();
        const QStringList lines = box->lblDescription->text().split(QLatin1Char('\n'));
        // First line, the fixed sentence, a blank line, the two credit lines.
        QCOMPARE(lines.size(), 5);
        QVERIFY(!lines[0].isEmpty());
        QCOMPARE(lines[1], QStringLiteral("Use it to store Names, Addresses, and Phone numbers for "
                                          "your contacts. You can also import your contacts from "
                                          "Outlook versions 2000 and greater."));
        QVERIFY(lines[2].isEmpty());
        QVERIFY(lines[3].contains(QStringLiteral("Quillary")));
        QVERIFY(lines[4].contains(QStringLiteral("Quillary")));
        if (opening == 0)
            first = box->lblDescription->text();
        QCOMPARE(box->lblDescription->text(), first);
        QTest::mouseClick(box->cmdOK, Qt::LeftButton);
        flushDeletes();
        QVERIFY(!frmAbout::instance());
    }
}

void tst_about::keys_data() {
    QTest::addColumn<bool>("focusOnHelp");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("boxStaysOpen");
    QTest::addColumn<bool>("helpOpens");

    QTest::newRow("Return on OK closes") << false << int(Qt::Key_Return) << false << false;
    QTest::newRow("keypad Enter on OK closes") << false << int(Qt::Key_Enter) << false << false;
    QTest::newRow("Escape on OK closes") << false << int(Qt::Key_Escape) << false << false;
    QTest::newRow("Return on Help presses Help") << true << int(Qt::Key_Return) << true << true;
    QTest::newRow("keypad Enter on Help presses Help")
        << true << int(Qt::Key_Enter) << true << true;
    QTest::newRow("Escape on Help closes") << true << int(Qt::Key_Escape) << false << false;
}

void tst_about::keys() {
    QFETCH(bool, focusOnHelp);
    QFETCH(int, key);
    QFETCH(bool, boxStaysOpen);
    QFETCH(bool, helpOpens);

    frmAbout::display();
    QPointer<frmAbout> box = frmAbout::instance();
    // OK is first in the tab order and holds the focus when the box opens.
    QCOMPARE(box->focusWidget(), box->cmdOK);
    if (focusOnHelp)
        box->cmdHelp->setFocus();
    QWidget* target = box->focusWidget();
    QCOMPARE(target, focusOnHelp ? static_cast<QWidget*>(box->cmdHelp) : box->cmdOK);

    QTest::keyClick(target, Qt::Key(key));
    flushDeletes();

    QCOMPARE(isOpen(box), boxStaysOpen);
    QCOMPARE(!box.isNull(), boxStaysOpen);
    QCOMPARE(isOpen(frmHelp::instance()), helpOpens);
}

void tst_about::frameCloseBoxUnloads() {
    frmAbout::display();
    QPointer<frmAbout> box = frmAbout::instance();
    QVERIFY(box->close());
    flushDeletes();
    QVERIFY(box.isNull());
    QVERIFY(!frmAbout::instance());
}

void tst_about::displayTwiceBringsTheSameBoxForward() {
    frmAbout::display();
    frmAbout* box = frmAbout::instance();
    // A mark the load steps would overwrite if they ran again.
    box->lblDescription->setText(QStringLiteral("mark"));
    box->lower();

    frmAbout::display();
    QCOMPARE(frmAbout::instance(), box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->lblDescription->text(), QStringLiteral("mark"));
    QCOMPARE(countTopLevel("frmAbout"), 1);
}

void tst_about::boxHasFixedSizeAndOpensCentred() {
    frmAbout::display();
    frmAbout* box = frmAbout::instance();
    const QSize client(Twips::toPixels(5730), Twips::toPixels(4155));
    QCOMPARE(box->size(), client);
    QCOMPARE(box->minimumSize(), client);
    QCOMPARE(box->maximumSize(), client);

    const QRect screen = box->screen()->availableGeometry();
    const QPoint offset = box->frameGeometry().center() - screen.center();
    QVERIFY2(offset.manhattanLength() <= 2, "the box opens centred on the screen");
}

void tst_about::helpOpensBesideTheBoxAndOutlivesIt() {
    frmAbout::display();
    QPointer<frmAbout> box = frmAbout::instance();
    QTest::mouseClick(box->cmdHelp, Qt::LeftButton);
    frmHelp* help = frmHelp::instance();
    QVERIFY(isOpen(help));
    QVERIFY(isOpen(box));
    QVERIFY(!help->parentWidget());
    QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
    QCOMPARE(help->lblHelp1->text(), QStringLiteral("Help for Quillary"));
    QCOMPARE(help->lblhelp2->text(), QStringLiteral("Help goes here"));

    QTest::mouseClick(box->cmdOK, Qt::LeftButton);
    flushDeletes();
    QVERIFY(box.isNull());
    QCOMPARE(frmHelp::instance(), help);
    QVERIFY(help->isVisible());
}

void tst_about::helpClosedFirstLeavesTheBoxOpen() {
    frmAbout::display();
    frmAbout* box = frmAbout::instance();
    QTest::mouseClick(box->cmdHelp, Qt::LeftButton);
    QVERIFY(frmHelp::instance()->close());
    flushDeletes();
    QVERIFY(!frmHelp::instance());
    QCOMPARE(frmAbout::instance(), box);
    QVERIFY(box->isVisible());
}

void tst_about::helpOpenedAgainShowsTheBodyOnce() {
    frmAbout::display();
    frmAbout* box = frmAbout::instance();
    for (int opening = 0; opening < 3; ++opening) {
        QTest::mouseClick(box->cmdHelp, Qt::LeftButton);
        QVERIFY(isOpen(frmHelp::instance()));
        QCOMPARE(frmHelp::instance()->lblhelp2->text(), QStringLiteral("Help goes here"));
        frmHelp::instance()->close();
        flushDeletes();
        QVERIFY(!frmHelp::instance());
    }
}

void tst_about::helpShownAgainWhileOpenKeepsItsInstance() {
    frmAbout::display();
    frmAbout* box = frmAbout::instance();
    QTest::mouseClick(box->cmdHelp, Qt::LeftButton);
    frmHelp* help = frmHelp::instance();
    help->lblhelp2->setText(QStringLiteral("mark"));
    QTest::mouseClick(box->cmdHelp, Qt::LeftButton);
    QCOMPARE(frmHelp::instance(), help);
    QCOMPARE(help->lblhelp2->text(), QStringLiteral("mark"));
    QCOMPARE(countTopLevel("frmHelp"), 1);
}

void tst_about::helpResizeKeepsControlsInPlace() {
    frmHelp::display();
    frmHelp* help = frmHelp::instance();
    QCOMPARE(help->size(), QSize(Twips::toPixels(9825), Twips::toPixels(5010)));
    QVERIFY(help->minimumSize() != help->maximumSize());
    const QRect heading = help->lblHelp1->geometry();
    const QRect body = help->lblhelp2->geometry();
    QCOMPARE(heading, Twips::rect(150, 300, 5295, 375));
    QCOMPARE(body, Twips::rect(180, 780, 9495, 4125));

    help->resize(help->width() + 200, help->height() + 150);
    QCOMPARE(help->lblHelp1->geometry(), heading);
    QCOMPARE(help->lblhelp2->geometry(), body);
    help->resize(200, 120);
    QCOMPARE(help->lblHelp1->geometry(), heading);
    QCOMPARE(help->lblhelp2->geometry(), body);
}

void tst_about::emblemIsDrawnAtTheAskedSizes() {
    for (int size : {16, 32, 40, 50}) {
        const QImage image = Emblem::pixmap(size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        // Transparent round the edge of the picture, painted in its middle.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QVERIFY(qAlpha(image.pixel(size / 2, size / 2)) > 0);
    }
    const QList<QSize> sizes = Emblem::programIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(32, 32)));
    QVERIFY(sizes.contains(QSize(16, 16)));
}

QTEST_MAIN(tst_about)
#include "tst_about.moc"
