// SPDX-License-Identifier: GPL-3.0-or-later
#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace {
double dpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}
} // namespace

namespace Twips {
int toPixels(int twips) {
    return static_cast<int>(std::lround(twips * dpi() / 1440.0));
}
int toTwips(int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi()));
}

QRect rect(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(rect(left, top, width, height));
}

void setFixedClientSize(QWidget* w, int width, int height) {
    w->setFixedSize(toPixels(width), toPixels(height));
}

void setClientSize(QWidget* w, int width, int height) {
    w->resize(toPixels(width), toPixels(height));
}

void centreOnScreen(QWidget* w) {
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = w->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    w->move(frame.topLeft());
}
} // namespace Twips

namespace Fonts {
QString family(const QString& name) {
    if (name.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    return name;
}

QFont make(const QString& name, double points, bool bold) {
    QFont f(family(name));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}
} // namespace Fonts
