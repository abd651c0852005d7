// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

class QWidget;

// The windows' side of bringing an Access list over: before a file of the
// application folder is opened as a list or as the area code database, an
// Access file is converted in place (storage/AccessConversion.h). The user is
// asked for a database password when there is one, sees progress while a long
// list converts, and is told once what happened.
namespace AccessListPrompt {
// table: "pName2" for a list, "TelephoneAreas" for the area code database.
// Returns false when the file is an Access file that was not converted (the
// user has been told why, or cancelled the password); true otherwise.
bool bringIn(QWidget* owner, const QString& path, const QString& table);
} // namespace AccessListPrompt
