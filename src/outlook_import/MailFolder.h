// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vcard/ContactCard.h"

#include <QList>
#include <QString>

#include <vector>

// A snapshot of one contacts folder: its cards in file-name order, then in the
// order they stand in each file. Never changes once made.
class MailFolder {
public:
    MailFolder() = default;
    MailFolder(QString name, QString path, QList<ContactCard> items);
    // The cards of each file in turn; the lists are shared, not copied.
    MailFolder(QString name, QString path, const QList<QList<ContactCard>>& files);

    const QString& name() const { return m_name; }
    const QString& path() const { return m_path; }

    int count() const;
    // Items are numbered from 1; nullptr outside 1..count().
    const ContactCard* item(int position1Based) const;
    // Which of the files given at construction holds the item; -1 outside 1..count().
    qsizetype fileOf(int position1Based) const;

private:
    QString m_name;
    QString m_path;
    QList<QList<ContactCard>> m_files;
    std::vector<qsizetype> m_ends; // running total of cards after each file
};
