// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One item of a contacts folder as the phonebook sees it: the handful of text
// values the import copies, plus a few raw values kept for checking the reader.
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

    bool isContact() const { return !isGroup; }
};
