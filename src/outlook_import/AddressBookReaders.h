// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outlook_import/MailFolder.h"
#include "vcard/ContactCard.h"

#include <QList>
#include <QString>

#include <array>
#include <memory>

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

// A book as its list shows it. Only the name, e-mail address and group mark of
// each contact are kept; the rest of a card is read when it is asked for, from
// the same state of the book (the copy is kept while the listing lives).
struct BookListing {
    QList<ContactCard> contacts;
    std::shared_ptr<const CardDetails> details;
    // Entries that hold no card: NULL, a number, or text that is no vCard
    // (in Thunderbird's book, where the card has no name properties either).
    qsizetype unreadable = 0;
};

// Thunderbird's abook.sqlite. The file and its -wal (where the newest contacts
// may be while Thunderbird runs) are copied into a private temporary folder and
// the copy is read, since Thunderbird keeps its own files locked.
BookListing readThunderbird(const QString& path);

// Evolution's (and GNOME Contacts') contacts.db, opened read-only with a busy
// timeout, so a write by the address book service is waited for.
BookListing readEvolution(const QString& path);

} // namespace AddressBookReaders
