// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QtGlobal>

// The state the main window shares with the list dialogs. The main window makes
// the one instance and hands it to each dialog it opens; a new main window
// starts from the state before start-up.
struct Globals {
    // File name of the open list, with extension and without folder ("Quillary.mdb").
    QString currentListName;
    // The application folder, without a trailing separator.
    QString applicationFolderPath;
    // What the main window's list shows: 1 person names, 2 company names; 0 before
    // start-up, treated like 1.
    qint16 listDisplayMode = 0;
    // Where the new-list dialog takes the template from, and where the copy dialog copies to.
    QString templateFolder;
    QString copyDestinationFolder;

    static constexpr const char* defaultListName = "Quillary.mdb";
    static constexpr const char* settingsFileName = "plist.ini";
    static constexpr const char* contactTable = "pName2";
};
