// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>

// What the first page of a Microsoft Access database (Jet 3, Jet 4 or ACE) says
// about the file: its format, whether its pages are encrypted, and the database
// password kept in the header.
struct AccessHeader {
    enum class Format { NotAccess, Jet3, Jet4, Ace };
    Format format = Format::NotAccess;
    // Page encoding (Jet) or an encrypted ACE file: its pages cannot be read.
    bool encrypted = false;
    // The database password, empty when none is set.
    QString password;

    bool isAccess() const { return format != Format::NotAccess; }
    // Reads the header from the start of a file (any length; a short one is no
    // Access file).
    static AccessHeader parse(const QByteArray& start);
    // The header of the file at path; NotAccess when it cannot be read.
    static AccessHeader of(const QString& path);
    // The number of bytes parse() needs.
    static constexpr int size = 0x18 + 126;
};
