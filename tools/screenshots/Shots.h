// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// Each shot writes its pictures into outDir.

// The address book import window filled from a small store (import.png).
void shootImport(const QString& outDir);

// The main window on a small list (main_window.png).
void shootMainWindow(const QString& outDir);

// The area code window after a location search (area_codes.png).
void shootAreaCodes(const QString& outDir);

// The list chooser, new-list and copy dialogs (list_chooser.png, new_list.png, copy_list.png).
void shootListDialogs(const QString& outDir);

// The About box and the help window it opens (about.png, help.png).
void shootAbout(const QString& outDir);
