// SPDX-License-Identifier: GPL-3.0-or-later
// quillary_screenshots OUTDIR: renders every window of the program to PNG
// (run with QT_QPA_PLATFORM=offscreen).
#include "Shots.h"

#include "platform/MsgBox.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString outDir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(outDir);
    MsgBox::setScripted(true);
    shootMainWindow(outDir);
    shootListDialogs(outDir);
    shootAreaCodes(outDir);
    shootImport(outDir);
    shootAbout(outDir);
    QTextStream(stdout) << "screenshots written to " << QDir(outDir).absolutePath() << "\n";
    return 0;
}
