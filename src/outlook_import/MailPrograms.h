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
};

namespace MailPrograms {

// The books to try, best first: the default mail program's, then the first
// found of Thunderbird's and Evolution's. Books that do not exist are left out.
QList<AddressBookPlace> addressBooks();

} // namespace MailPrograms
