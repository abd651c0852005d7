// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vcard/ContactCard.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Reads address book cards from vCard text (versions 2.1, 3.0 and 4.0 as real
// programs write them). Never fails: what cannot be understood is skipped, so a
// damaged card costs that card only and a file that is no vCard gives no cards.
class VCardReader {
public:
    // Longest logical line kept; anything beyond it is dropped.
    static constexpr qsizetype MaxLineLength = qsizetype(1) << 20;

    // The properties that carry a list's further columns: X-QUILLARY-<COLUMN>,
    // with the column's exact name percent-encoded in X-COLUMN where the
    // property's name cannot spell it.
    static constexpr const char* extraPrefix = "X-QUILLARY-";
    static constexpr const char* columnParameter = "X-COLUMN";
    // How a text value's line breaks were written, where not all are LF: one
    // kind for all ("CRLF", "CR") or one kind for each break in turn ("CRLF,LF").
    static constexpr const char* breaksParameter = "X-QUILLARY-BREAKS";

    // Larger files are skipped whole: no address book comes near it.
    static constexpr qint64 MaxFileSize = qint64(256) << 20;

    // Regular files only: a device, pipe or folder gives no cards.
    static QList<ContactCard> readFile(const QString& path);
    // Which address fills the card's address fields: the first one marked
    // preferred (as a mail program's export marks its mailing address), or the
    // first home address (as a mail program's own book is shown); else the first.
    enum class AddressChoice { Preferred, Home };
    // How text without a declared character set is stored: as a file holds it
    // (UTF-16 by its marks, Windows-1252 when no byte of an 8-bit file is part
    // of a UTF-8 character, else UTF-8), or always UTF-8, as in a database.
    // Bytes that are no UTF-8 read as U+FFFD.
    enum class Encoding { OfFile, Utf8 };
    // What is read of each card: all the import copies, or what the list of
    // contacts shows (name, e-mail, group mark).
    enum class Part { Whole, Listed };
    static QList<ContactCard> readData(const QByteArray& data,
                                       AddressChoice choice = AddressChoice::Preferred,
                                       Encoding encoding = Encoding::OfFile,
                                       Part part = Part::Whole);
    // A value as the window can show it: control characters (NUL among them)
    // other than tab and line breaks become U+FFFD; the rest is kept.
    static QString shown(QString text);
    // UTF-8 bytes so shown; bytes that are no UTF-8 become U+FFFD.
    static QString shownUtf8(QByteArrayView bytes);

    // Decoding helpers, public so they can be checked on their own.
    static QString decodeWindows1252(QByteArrayView bytes);
    static QByteArray decodeQuotedPrintable(QByteArrayView bytes);
    // Returns the input as UTF-8 (or 8-bit) bytes: strips a BOM and converts UTF-16.
    static QByteArray normalizeEncoding(const QByteArray& data);
    // The text up to its first line break; a bare CR or LF ends the line too.
    static QString firstLine(const QString& text);
};
