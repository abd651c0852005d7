// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QPixmap>

// The program's emblem, drawn in code: an open address book with a quill
// resting on it. Drawing it (rather than shipping image files) keeps the picture
// sharp at every size the windows ask for.
namespace Emblem {
// The emblem on a transparent square of size × size pixels.
QPixmap pixmap(int size);
// The program icon: the emblem at 32 × 32 and a simplified 16 × 16 image.
QIcon programIcon();
} // namespace Emblem
