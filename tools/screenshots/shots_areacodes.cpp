// SPDX-License-Identifier: GPL-3.0-or-later
#include "Shots.h"

#include "area_codes/frmAreaCodes.h"
#include "platform/AppFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

void shootAreaCodes(const QString& outDir) {
    QTemporaryDir dir;
    QFile::copy(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/AreaCodes.dat"),
                dir.filePath(QStringLiteral("AreaCodes.dat")));
    AppFolder::setProgramFolderForTesting(dir.path());
    frmAreaCodes::display();
    if (frmAreaCodes* w = frmAreaCodes::instance()) {
        // A location search shows the count line above the first match.
        w->Text1[1]->setText(QStringLiteral("ca"));
        w->Command1_Click();
        QApplication::processEvents();
        w->grab().save(QDir(outDir).filePath(QStringLiteral("area_codes.png")));
        w->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    AppFolder::setProgramFolderForTesting(QString());
}
