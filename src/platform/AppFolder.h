// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// The application folder: the folder where every data file of the system lives.
// A program whose own folder holds its lists (a build tree, a portable copy) keeps
// them there; an installed program keeps each user's lists in a folder of their
// own, seeded from the data installed with it.
namespace AppFolder {
// The application folder in use, without a trailing separator.
QString programFolder();
// Tests point the program at a folder of their own.
void setProgramFolderForTesting(const QString& folder);
// folder + separator + file name.
QString join(const QString& folder, const QString& fileName);

// The per-user folder of an installed program: $XDG_DATA_HOME/Quillary.
QString userFolder();
// Chooses the application folder for this run from the program's own folder and
// the folder named on the command line (empty when none), creates it and seeds
// it with the installed data files it lacks. Returns why no folder can be used
// (the text the user is shown), empty when one was chosen; the program should
// then end.
QString choose(const QString& ownFolder, const QString& requested);
} // namespace AppFolder
