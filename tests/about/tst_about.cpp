// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/frmAbout.h"
#include "about/frmHelp.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {
bool isOpen(QWidget* w) {
    return w && w->isVisible();
}
} // namespace

class tst_about : public QObject {
    Q_OBJECT
private slots:
    // Closing unloads a window on the next pass of the event loop, run at once here.
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frmAbout::instance() && !frmHelp::instance());
    }
    // The box opens centred, on no owner; its load steps run once per opening.
    void eachOpeningShowsItsTextsOnce() {
        for (int opening = 0; opening < 2; ++opening) {
            frmAbout::display();
            frmAbout* box = frmAbout::instance();
            QVERIFY(isOpen(box) && !box->isModal() && !box->parentWidget());
            const QPoint offset =
                box->frameGeometry().center() - box->screen()->availableGeometry().center();
            QVERIFY(offset.manhattanLength() <= 2);
            QCOMPARE(box->windowTitle(), QStringLiteral("About Quillary"));
            QCOMPARE(box->lblTitle->text(), QStringLiteral("Quillary"));
            QCOMPARE(box->lblVersion->text(), QStringLiteral("Version 3.0.18"));
            const QStringList lines = box->lblDescription->text().split(QLatin1Char('\n'));
            // First line, the fixed sentence, a blank line, the two credit lines.
            QCOMPARE(lines.size(), 5);
            QCOMPARE(lines[1],
                     QStringLiteral("Use it to store Names, Addresses, and Phone numbers for "
                                    "your contacts. You can also import your contacts from "
                                    "Outlook versions 2000 and greater."));
            QVERIFY(lines[2].isEmpty());
            QTest::mouseClick(box->cmdHelp, Qt::LeftButton);
            QCOMPARE(frmHelp::instance()->lblhelp2->text(), QStringLiteral("Help goes here"));
            cleanup();
        }
    }
    void keys_data() {
        QTest::addColumn<bool>("focusOnHelp");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("boxStaysOpen");
        QTest::addColumn<bool>("helpOpens");

        const auto row = [](const char* tag, bool onHelp, int key, bool helpPressed) {
            QTest::newRow(tag) << onHelp << key << helpPressed << helpPressed;
        };
        row("Return on OK closes", false, Qt::Key_Return, false);
        row("keypad Enter on OK closes", false, Qt::Key_Enter, false);
        row("Escape on OK closes", false, Qt::Key_Escape, false);
        row("Return on Help presses Help", true, Qt::Key_Return, true);
        row("keypad Enter on Help presses Help", true, Qt::Key_Enter, true);
        row("Escape on Help closes", true, Qt::Key_Escape, false);
        row("close box closes", false, 0, false);
    }
    void keys() {
        QFETCH(bool, focusOnHelp);
        QFETCH(int, key);
        frmAbout::display();
        QPointer<frmAbout> box = frmAbout::instance();
        // OK is first in the tab order and holds the focus when the box opens.
        QCOMPARE(box->focusWidget(), box->cmdOK);
        if (focusOnHelp)
            box->cmdHelp->setFocus();
        if (key)
            QTest::keyClick(box->focusWidget(), Qt::Key(key));
        else
            box->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTEST(!box.isNull(), "boxStaysOpen");
        QTEST(isOpen(frmHelp::instance()), "helpOpens");
    }
    void helpOpensBesideTheBoxAndEitherClosesFirst_data() {
        QTest::addColumn<bool>("boxFirst");
        QTest::newRow("About box closed first") << true;
        QTest::newRow("help closed first") << false;
    }
    void helpOpensBesideTheBoxAndEitherClosesFirst() {
        QFETCH(bool, boxFirst);
        frmAbout::display();
        QPointer<frmAbout> box = frmAbout::instance();
        QTest::mouseClick(box->cmdHelp, Qt::LeftButton);
        QPointer<frmHelp> help = frmHelp::instance();
        QVERIFY(isOpen(help) && isOpen(box) && !help->parentWidget());
        QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
        QCOMPARE(help->lblHelp1->text(), QStringLiteral("Help for Quillary"));
        // Shown again while open, each only comes forward: its load steps do not
        // run again, so a mark they would overwrite stays.
        box->lblDescription->setText(QStringLiteral("mark"));
        help->lblhelp2->setText(QStringLiteral("mark"));
        frmAbout::display();
        QTest::mouseClick(box->cmdHelp, Qt::LeftButton);
        QVERIFY(frmAbout::instance() == box && frmHelp::instance() == help);
        QCOMPARE(box->lblDescription->text() + help->lblhelp2->text(), QStringLiteral("markmark"));
        if (boxFirst)
            QTest::mouseClick(box->cmdOK, Qt::LeftButton);
        else
            help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(box.isNull(), boxFirst);
        QCOMPARE(help.isNull(), !boxFirst);
        QVERIFY(isOpen(boxFirst ? static_cast<QWidget*>(help) : box));
    }
};

QTEST_MAIN(tst_about)
#include "tst_about.moc"
