// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// Small INI-style files in the application folder: read one key of one section,
// add or replace one key line in one section.
namespace IniFile {
// The value of key in section (section text with its brackets, "[lastdb]"), or
// the empty string when the file, section or key is missing. Key "*ALL*" (any
// case) fills the listing instead and returns the empty string. An empty file
// name means "plist.ini". A file that exists but cannot be read throws RunError;
// a file name that is not a bare name throws 52 (bad file name).
QString ReadIniValue(const QString& section, const QString& key,
                     const QString& fileName = QString());
// Adds or replaces keyLine ("db=Quillary.mdb") in section by rewriting the file
// through "qv.new". Without a key line it does nothing and returns false.
// A failure throws RunError and leaves the file as it was.
bool WriteIniValue(const QString& section, const std::optional<QString>& keyLine = std::nullopt,
                   const QString& fileName = QString());
// The listing filled by the last "*ALL*" read: index 0 empty, the header at 1.
QStringList listing();
// The writer's own file name when a caller passes none.
inline constexpr const char* writerDefaultFileName = "quillary.ini";
inline constexpr const char* temporaryFileName = "qv.new";
} // namespace IniFile
