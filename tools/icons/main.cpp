// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time tool: renders the program's emblem as the PNG icons of the
// desktop's icon theme, so the menu entry shows the picture the windows show.
// Usage: quillary_icons OUTPUT_DIR ICON_NAME SIZE...
// writes OUTPUT_DIR/<size>x<size>/apps/ICON_NAME.png for each size.
#include "about/Emblem.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR ICON_NAME SIZE...\n", argv[0]);
        return 2;
    }
    // No display is needed to draw into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (size <= 0 || !QDir().mkpath(folder) || !Emblem::pixmap(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
