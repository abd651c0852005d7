// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// What every window does once its controls are built, so that it looks and
// answers the pointer the same way whichever window it is.
namespace FormLook {
// Labels, pictures and lines are drawn on their container's surface: they lie
// beneath every button, field, list, frame and panel of that container, and
// never take a click meant for one. Applied to every container of the form.
void lowerLightweightControls(QWidget* form);
// A text field filled by code shows the start of its text, however narrow the
// field; typing leaves the cursor where the typing put it.
void showStartOfFilledText(QWidget* form);
// Both of the above; every window calls it after building its controls.
void settle(QWidget* form);
// The frame of a window of fixed size: title, close box and, when asked, a
// minimize button; never a maximize button. Set before the window is shown.
void fixedBorder(QWidget* window, bool minimize = false);
} // namespace FormLook
