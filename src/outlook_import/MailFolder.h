// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vcard/ContactCard.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

// The whole card of an item of a folder that keeps only what its list shows.
class CardDetails {
public:
    virtual ~CardDetails() = default;
    // index: 0-based. Throws std::exception when the card cannot be read.
    virtual ContactCard card(qsizetype index) const = 0;
};

// A snapshot of one contacts folder: its cards in file-name order, then in the
// order they stand in each file. Never changes once made.
class MailFolder {
public:
    MailFolder() = default;
    MailFolder(QString name, QString path, QList<ContactCard> items);
    // A book's items as listed (name, e-mail, group mark), with the reader of
    // their whole cards and the number of entries that held no card.
    MailFolder(QString name, QString path, QList<ContactCard> items,
               std::shared_ptr<const CardDetails> details, qsizetype unreadable);
    // The cards of each file in turn; the lists are shared, not copied.
    MailFolder(QString name, QString path, const QList<QList<ContactCard>>& files);

    const QString& name() const { return m_name; }
    const QString& path() const { return m_path; }

    int count() const;
    // Items are numbered from 1; nullptr outside 1..count().
    const ContactCard* item(int position1Based) const;
    // Which of the files given at construction holds the item; -1 outside 1..count().
    qsizetype fileOf(int position1Based) const;
    // The item's whole card: read again from its book where the folder keeps
    // only what the list shows; the listed values when it cannot be read.
    ContactCard details(int position1Based) const;
    // Entries of the book that held no card: neither listed nor counted.
    qsizetype unreadable() const { return m_unreadable; }

private:
    QString m_name;
    QString m_path;
    QList<QList<ContactCard>> m_files;
    std::vector<qsizetype> m_ends; // running total of cards after each file
    std::shared_ptr<const CardDetails> m_details;
    qsizetype m_unreadable = 0;
};
