// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vcard/ContactFields.h"
#include "vcard/VCardReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Writes contacts as vCard 3.0 (RFC 2426) cards: UTF-8, CRLF line ends, lines
// folded at 75 octets between whole characters, text escaped as the RFC says.
//
// The fields map to properties so:
//   pName -> FN and N (split at the last blank: "Mary Ann Smith" -> N:Smith;Mary Ann;;;)
//   CompanyName -> ORG; pAddress, pAddress2 (joined by a line break), pCity,
//   pState, pZip -> ADR;TYPE=HOME; pPhone -> TEL;TYPE=HOME,VOICE;
//   pCoPhone -> TEL;TYPE=WORK,VOICE; pFax -> TEL;TYPE=FAX;
//   pEmail -> EMAIL;TYPE=INTERNET; pNotes -> NOTE; a further column -> X-QUILLARY-<COLUMN>.
// An empty field writes no property; FN, N and UID are always written. Line
// breaks other than LF are named in an X-QUILLARY-BREAKS parameter, so the
// program's own reading gives every text back exactly.
namespace VCardWriter {

// A card of the program's own for the contact.
QByteArray card(const ContactFields& fields, const QString& uid);
// The same, appended to out.
void appendCard(QByteArray& out, const ContactFields& fields, const QString& uid);

// The card a contact was taken from, with only the properties whose field the
// contact now holds differently rewritten (or removed when the field is now
// empty, or added when the card had none); every other line — groups,
// parameters, PHOTO, BDAY, further TEL/EMAIL/ADR, X- properties, VERSION —
// stays byte for byte, with CRLF line ends. The card is read as the import
// read it (`choice`). A rewritten property keeps its group and parameters and
// is written in the card's own version. The card's UID becomes `uid` (added when it has
// none, rewritten when it differs): pass the card's own UID to keep it.
// Columns of `fields.extra` absent from the list are not touched; further
// columns of the list that are empty now lose their property.
QByteArray merged(const QByteArray& original, VCardReader::AddressChoice choice,
                  const ContactFields& fields, const QString& uid);

// Appends one property line (without its line end) folded at 75 octets,
// never inside a UTF-8 sequence, with CRLF after each piece.
void appendFolded(QByteArray& out, QByteArrayView line);

// A new UID for a contact.
QString newUid();

} // namespace VCardWriter
