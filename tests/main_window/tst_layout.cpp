// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Harness.h"

#include <QScreen>

class tst_layout : public QObject {
    Q_OBJECT
private slots:
    void startProgramShowsTheWindowCentred() {
        Harness h;
        h.folder.install(QStringLiteral("plist.ini"));
        h.folder.addList(QStringLiteral("Quillary.mdb"));
        h.folder.addContacts(QStringLiteral("Quillary.mdb"), {{"Amy"}});
        pList::startProgram();
        QPointer<pList> w = pList::instance();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("  Quillary"));
        QVERIFY(!w->Image2->pixmap().isNull() && w->Image2->isVisible());
        const QList<QSize> sizes = w->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(32, 32)) && sizes.contains(QSize(16, 16)));
        // The data control is never shown: no navigation buttons.
        QVERIFY(!w->findChild<QWidget*>(QStringLiteral("Data1")));
        const QPoint centre = w->screen()->availableGeometry().center();
        QVERIFY((w->frameGeometry().center() - centre).manhattanLength() <= 2);
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w);
        QCOMPARE(pList::instance(), nullptr);
    }
};

QTEST_MAIN(tst_layout)
#include "tst_layout.moc"
