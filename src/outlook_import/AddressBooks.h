// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outlook_import/MailFolder.h"
#include "outlook_import/MailPrograms.h"

#include <QString>

#include <memory>

// The contacts of a mail program's address book as one folder snapshot. The
// book read last is kept and read again only when one of its files (the
// database, its -wal or -journal) changed, so looking at one contact after
// another costs a few file checks, not a new copy.
namespace AddressBooks {

struct Reading {
    std::shared_ptr<const MailFolder> folder; // null when the book cannot be read
    QString failure;                          // why not, for the user
};

Reading read(const AddressBookPlace& place);

// The message telling the user that a book could not be read and the next
// source is used instead.
QString failureMessage(const AddressBookPlace& place, const QString& reason);

// Forgets every book read so far.
void clearCache();

} // namespace AddressBooks
