// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// Where the data files live and how lists are named.
namespace ListFiles {
// List files: the program's own and Access lists, which are converted when opened.
inline constexpr const char* listPattern = "*.mdb;*.accdb";
inline constexpr const char* templateFile = "Template.dat";
inline constexpr const char* areaCodesClosed = "AreaCodes.dat";
inline constexpr const char* areaCodesOpen = "AreaCodes.mdb";

// The application folder path, separator and file name.
QString pathOf(const QString& fileName);
// A list's display name: its file name without ".accdb" (any letter case), or
// else without the last four characters.
QString displayName(const QString& fileName);
// The file name for a typed list name: unchanged when it ends with ".mdb" in any
// letter case, else with ".mdb" appended.
QString fileNameFor(const QString& typedName);
// Whether name is a plain file name inside the application folder: not empty,
// no folder separator, not "." or "..", no control character (CR, LF, tab...).
bool isPlainFileName(const QString& name);
// "TEMPLATE.MDB" or "AREACODES.MDB" after upper-casing.
bool isReservedTemplate(const QString& fileName);
bool isReservedAreaCodes(const QString& fileName);
// The template or the area code file under any of its names, in any letter case.
bool isReservedData(const QString& fileName);
// The area code database back under its closed name, when it has its open one.
// Throws RunError when the rename fails.
void closeAreaCodes();
// The area code database under its open name, when it has its closed one.
void openAreaCodes();
} // namespace ListFiles
