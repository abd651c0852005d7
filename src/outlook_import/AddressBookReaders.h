// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vcard/ContactCard.h"

#include <QList>
#include <QString>

#include <array>

// Reads the contacts of a mail program's address book file without changing
// it: nothing is written, created or held locked beside it. Failures (a file
// that is no database, a damaged or unreadable one) throw std::exception
// whose text says what went wrong.
namespace AddressBookReaders {

// What one file looks like; a file that does not exist has size -1.
struct FileLook {
    qint64 size = -1, modifiedNs = 0, inode = 0;
    bool operator==(const FileLook&) const = default;
};
// The book's database, its -wal and its -journal: a book whose look is
// unchanged holds the same contacts.
using BookLook = std::array<FileLook, 3>;
BookLook lookOf(const QString& path);

// Thunderbird's abook.sqlite. The file and its -wal (where the newest contacts
// may be while Thunderbird runs) are copied into a private temporary folder and
// the copy is read, since Thunderbird keeps its own files locked.
QList<ContactCard> readThunderbird(const QString& path);

// Evolution's (and GNOME Contacts') contacts.db, opened read-only with a busy
// timeout, so a write by the address book service is waited for.
QList<ContactCard> readEvolution(const QString& path);

} // namespace AddressBookReaders
