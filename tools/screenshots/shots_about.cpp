// SPDX-License-Identifier: GPL-3.0-or-later
#include "Shots.h"

#include "about/frmAbout.h"
#include "about/frmHelp.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>

void shootAbout(const QString& outDir) {
    const QDir dir(outDir);
    frmAbout::display();
    if (frmAbout* box = frmAbout::instance()) {
        QApplication::processEvents();
        box->grab().save(dir.filePath(QStringLiteral("about.png")));
        box->cmdHelp->click();
        if (frmHelp* help = frmHelp::instance()) {
            QApplication::processEvents();
            help->grab().save(dir.filePath(QStringLiteral("help.png")));
            help->close();
        }
        box->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
