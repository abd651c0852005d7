// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <array>

// One contact as a list file holds it: the twelve fields of the contact table
// and the further text columns a converted list kept, by column name.
struct ContactFields {
    enum Field {
        Name,
        Company,
        Address,
        Address2,
        City,
        State,
        Zip,
        Phone,
        CoPhone,
        Fax,
        Email,
        Notes,
        Count
    };
    // The contact table's column of each field, in table order.
    static constexpr std::array<const char*, Count> columns = {
        "pName", "CompanyName", "pAddress", "pAddress2", "pCity",  "pState",
        "pZip",  "pPhone",      "pCoPhone", "pFax",      "pEmail", "pNotes"};

    std::array<QString, Count> values;
    // Further columns with a value, in table order: column name, text.
    QList<QPair<QString, QString>> extra;

    QString& operator[](Field f) { return values[size_t(f)]; }
    const QString& operator[](Field f) const { return values[size_t(f)]; }
    bool operator==(const ContactFields&) const = default;
};
