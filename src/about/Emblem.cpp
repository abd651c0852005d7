// SPDX-License-Identifier: GPL-3.0-or-later
#include "Emblem.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {
// Flat palette.
const QColor cover(33, 71, 122);
const QColor coverEdge(20, 45, 82);
const QColor page(252, 246, 226);
const QColor pageShade(232, 222, 192);
const QColor ink(96, 110, 140);
const QColor tabColours[] = {QColor(214, 64, 52), QColor(242, 176, 46), QColor(74, 160, 92)};
const QColor featherLight(246, 196, 92);
const QColor featherShade(222, 150, 58);
const QColor shaft(120, 82, 40);
const QColor nib(40, 40, 48);

// Everything is drawn on a 100 × 100 grid; small sizes leave out the fine lines.
void draw(QPainter& p, bool detailed) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // Alphabet tabs peeping out on the right of the cover.
    for (int i = 0; i < 3; ++i) {
        p.setBrush(tabColours[i]);
        p.drawRoundedRect(QRectF(86, 30 + i * 15, 10, 11), 2, 2);
    }

    // The cover behind the open pages.
    p.setBrush(cover);
    p.drawRoundedRect(QRectF(4, 24, 88, 64), 5, 5);
    p.setBrush(coverEdge);
    p.drawRect(QRectF(47, 26, 6, 62));

    // Two pages, rising slightly towards the spine.
    p.setBrush(page);
    p.drawPolygon(QPolygonF({{9, 27}, {48, 31}, {48, 83}, {9, 80}}));
    p.drawPolygon(QPolygonF({{52, 31}, {88, 27}, {88, 80}, {52, 83}}));
    p.setBrush(pageShade);
    p.drawPolygon(QPolygonF({{44, 30.6}, {48, 31}, {48, 83}, {44, 82.7}}));
    p.drawPolygon(QPolygonF({{52, 31}, {56, 30.6}, {56, 82.7}, {52, 83}}));

    if (detailed) {
        // A contact card on the left page: a head and shoulders, then lines of text.
        p.setBrush(ink);
        p.drawEllipse(QPointF(22, 42), 5, 5);
        QPainterPath shoulders;
        shoulders.moveTo(13, 56);
        shoulders.cubicTo(13, 47, 31, 47, 31, 56);
        shoulders.closeSubpath();
        p.drawPath(shoulders);
        QPen line(ink, 2.2, Qt::SolidLine, Qt::RoundCap);
        p.setPen(line);
        p.drawLine(QPointF(34, 40), QPointF(42, 40.6));
        p.drawLine(QPointF(34, 47), QPointF(42, 47.6));
        for (int i = 0; i < 3; ++i) {
            const double y = 63 + i * 6.5;
            p.drawLine(QPointF(14, y), QPointF(42, y + 1.6));
        }
        // Entries on the right page.
        for (int i = 0; i < 6; ++i) {
            const double y = 40 + i * 6.5;
            p.drawLine(QPointF(60, y + 1.0), QPointF(i % 2 ? 74 : 82, y));
        }
        p.setPen(Qt::NoPen);
    }

    // The quill, lying across the right page with its nib on the last entry.
    QPainterPath feather;
    feather.moveTo(62, 70);
    feather.cubicTo(64, 50, 78, 22, 96, 4);
    feather.cubicTo(94, 24, 82, 52, 62, 70);
    QPainterPath vane;
    vane.moveTo(64, 64);
    vane.cubicTo(70, 44, 80, 26, 96, 4);
    vane.cubicTo(86, 18, 74, 34, 66, 62);
    p.setBrush(featherLight);
    p.drawPath(feather);
    p.setBrush(featherShade);
    p.drawPath(vane);
    p.setPen(QPen(shaft, detailed ? 1.8 : 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(60, 76), QPointF(90, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(nib);
    p.drawPolygon(QPolygonF({{57.5, 82}, {59, 74.5}, {62.5, 76.2}}));
}
} // namespace

namespace Emblem {
QPixmap pixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.scale(size / 100.0, size / 100.0);
    draw(p, size >= 24);
    return pm;
}

QIcon programIcon() {
    QIcon icon;
    icon.addPixmap(pixmap(32));
    icon.addPixmap(pixmap(16));
    return icon;
}
} // namespace Emblem
