// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vcard/ContactFields.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// One item of a contacts folder as the phonebook sees it: the handful of text
// values the import lists and shows, the contact's fields as the card gives
// them, plus a few raw values kept for checking the reader.
struct ContactCard {
    // A contact group / distribution list: counted as an item, never imported.
    bool isGroup = false;

    QString displayValue;   // FN, else "Given Family" from N, else ORG, else e-mail
    QString email;          // first non-empty EMAIL
    QString mailingAddress; // "street\r\ncity, region postal" from the chosen ADR
    QString city;
    QString region;
    QString postalCode;
    QString homePhone; // first TEL typed HOME that is not FAX, CELL or PAGER

    QString fn;     // the card's own formatted name, empty when it has none
    QString street; // first line of the chosen ADR's street

    // The list's fields as this card gives them, every text exactly as the
    // card holds it (pName is the display value).
    ContactFields fields;
    QString uid; // the card's UID, empty when it has none
    // The card as it came, from its BEGIN line to its END line, in UTF-8.
    QByteArray text;

    // Where a property that gives a field stands in `text`: its first and past
    // its last byte (line breaks inside included), its name and parameters as
    // written, and the parts of a structured value.
    struct Source {
        qsizetype start = -1;
        qsizetype end = -1;
        QByteArray head;
        QStringList parts;
        bool found() const { return start >= 0; }
    };
    enum SourceOf {
        FnLine,
        NLine,
        OrgLine,
        AdrLine,
        PhoneLine,
        CoPhoneLine,
        FaxLine,
        EmailLine,
        NoteLine,
        UidLine,
        EndLine,
        SourceCount
    };
    std::array<Source, SourceCount> sources;
    // Parallel to fields.extra.
    QList<Source> extraSources;
    enum class Version { V21, V30, V40 };
    Version version = Version::V30;

    bool isContact() const { return !isGroup; }
};
