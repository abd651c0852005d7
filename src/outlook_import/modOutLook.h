// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "vcard/ContactCard.h"

#include <QString>

// The only place that reads the user's address book: the personal address
// book of the user's mail program (Thunderbird, or Evolution and GNOME
// Contacts), else the mail store's "Personal Folders" -> "Contacts" folder of
// vCard files. It writes what it reads straight into the import window
// frmContacts. Every procedure runs with errors ignored: a store that cannot be
// read behaves as an empty folder; a mail program's book that cannot be read is
// reported once when the contacts are listed, and the next source is used.
namespace modOutLook {

// Appends one entry per listable contact to lstContacts and lstEmail, sets the
// status line, ends the connection and shows frmContacts non-modally.
void GetOutlookContacts();
// Clears the six detail fields of frmContacts, then fills them from the
// contact whose display value equals contactName (exactly; the last such
// contact in folder order wins). Given the folder position of a listed entry,
// the contact there is shown as long as it still bears that name, so of two
// contacts of one name each shows its own details; only the file holding it is
// checked for changes.
void DisplayContactDetails(QString contactName, qint32 position = 0);
// The contact whose details were shown last, as its card gives it; an empty
// card when none was found.
const ContactCard& ShownContact();
// Ends the connection; with none open it does nothing.
void CloseOutlook();

// Where the mail store lies; empty means MailStore::defaultRoot().
void setStoreRootForTesting(const QString& root);
QString storeRoot();

} // namespace modOutLook

namespace modOutLook {
// While a FolderHold lives, every connection after the first reuses the folder
// the first one read instead of looking at the disk again, so a long import
// reads one state of the store once.
class FolderHold {
public:
    FolderHold();
    ~FolderHold();
    FolderHold(const FolderHold&) = delete;
    FolderHold& operator=(const FolderHold&) = delete;
};
} // namespace modOutLook
