// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFont>
#include <QRect>
#include <QString>

class QWidget;

// Layouts are given in twips (1/1440 inch); the screen's logical DPI turns them
// into pixels, 15 twips a pixel at 96 DPI.
namespace Twips {
int toPixels(int twips);
int toTwips(int pixels);
QRect rect(int left, int top, int width, int height);
// Places a control within its container.
void place(QWidget* w, int left, int top, int width, int height);
// Gives a window a fixed client area.
void setFixedClientSize(QWidget* w, int width, int height);
void setClientSize(QWidget* w, int width, int height);
void centreOnScreen(QWidget* w);
} // namespace Twips

// Fonts by the family names the window layouts ask for.
namespace Fonts {
// "Arial" resolves through fontconfig to Liberation Sans, drawn to Arial's
// metrics. "MS Sans Serif" has no free equivalent; it is drawn in Liberation
// Sans too, at the same size, so the two sit side by side at one height and
// every caption fits the box laid out for it (8.25 points: 11 pixels at 96 DPI).
QString family(const QString& name);
QFont make(const QString& name, double points, bool bold = false);
} // namespace Fonts
