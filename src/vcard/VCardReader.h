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
    static QList<ContactCard> readData(const QByteArray& data,
                                       AddressChoice choice = AddressChoice::Preferred);

    // Decoding helpers, public so they can be checked on their own.
    static QString decodeWindows1252(QByteArrayView bytes);
    static QByteArray decodeQuotedPrintable(QByteArrayView bytes);
    // Returns the input as UTF-8 (or 8-bit) bytes: strips a BOM and converts UTF-16.
    static QByteArray normalizeEncoding(const QByteArray& data);
    // The text up to its first line break; a bare CR or LF ends the line too.
    static QString firstLine(const QString& text);
};
