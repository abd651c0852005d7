// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// Where the address book of the user's mail program lies. Found from the
// desktop's record of the default mail program (mimeapps.list) and the mail
// programs' own profile files; looked up anew each time, from the environment
// (HOME and the XDG_* variables), without writing anything.
struct AddressBookPlace {
    enum class Kind { Thunderbird, Evolution };
    Kind kind = Kind::Thunderbird;
    QString path; // abook.sqlite or contacts.db
    // The book's name as its program shows it: "Personal Address Book", "Personal".
    QString name;
    QString program; // "Thunderbird", "Evolution"
    // The program's own book ("Personal Address Book", "Personal"), read
    // unless the user chooses another.
    bool main = false;
};

namespace MailPrograms {

// Every book of the mail programs, the default mail program's first, then
// Thunderbird's and Evolution's; each program's main book before its others.
// Thunderbird's are the address books its profile in use lists (prefs.js and
// user.js), LDAP directories and removed books left out; Evolution's are its
// enabled address book sources. Books whose file does not exist are left out.
QList<AddressBookPlace> addressBooks();

} // namespace MailPrograms
