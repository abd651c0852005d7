// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>

// The few file operations the program uses. Failures throw RunError with the
// platform's numbers (53 file not found, 58 file already exists, 70 permission
// denied, 75 path/file access error, 76 path not found).
namespace FileSystem {
bool exists(const QString& path);
// Names of the plain files in folder matching a pattern such as "*.mdb" (the
// extension matched without regard to case; "*" or empty matches every file;
// "*.mdb;*.accdb" either), sorted by name.
QStringList files(const QString& folder, const QString& pattern = QString());
bool anyMatch(const QString& folder, const QString& pattern);
// Copies source to target, replacing target. Refuses (70) when either is a
// database held open by a data control. The target is written under a short
// temporary name made for it and moved into place, so a failed copy leaves no
// half-written file.
void copy(const QString& source, const QString& target);
// Renames; fails with 58 when the target name is taken (even by a link that
// leads nowhere, or by a file made meanwhile), 70 when either is held open.
void rename(const QString& source, const QString& target);
void remove(const QString& path);

// Test seam: the next copy fails with this error number after writing part of
// the target (0 switches it off).
void failNextCopyWith(int errorNumber);
} // namespace FileSystem
