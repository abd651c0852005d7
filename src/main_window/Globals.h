// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QtGlobal>

#include "platform/RecordsetHandle.h"

// Process-wide state shared by the main window and the list dialogs.
namespace Globals {
// File name of the open list, with extension and without folder ("Quillary.mdb").
inline QString currentListName;
// The application folder, without a trailing separator.
inline QString applicationFolderPath;
// What the main window's list shows: 1 person names, 2 company names; 0 before
// start-up, treated like 1.
inline qint16 listDisplayMode = 0;
// Data1's records while the list is being filled or a contact deleted; it
// reads as null once Data1 closes them, so it never outlives them.
inline RecordsetHandle sharedContactRecordset;
// Where the new-list dialog takes the template from, and where the copy dialog copies to.
inline QString templateFolder;
inline QString copyDestinationFolder;

inline constexpr const char* defaultListName = "Quillary.mdb";
inline constexpr const char* settingsFileName = "plist.ini";
inline constexpr const char* contactTable = "pName2";

// Back to the state before start-up (tests start every scenario from here).
inline void reset() {
    currentListName.clear();
    applicationFolderPath.clear();
    listDisplayMode = 0;
    sharedContactRecordset = nullptr;
    templateFolder.clear();
    copyDestinationFolder.clear();
}
} // namespace Globals
