// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/MailFolder.h"

#include <algorithm>
#include <exception>
#include <utility>

MailFolder::MailFolder(QString name, QString path, QList<ContactCard> items)
    : MailFolder(std::move(name), std::move(path), QList<QList<ContactCard>>{std::move(items)}) {}

MailFolder::MailFolder(QString name, QString path, QList<ContactCard> items,
                       std::shared_ptr<const CardDetails> details, qsizetype unreadable)
    : MailFolder(std::move(name), std::move(path), std::move(items)) {
    m_details = std::move(details);
    m_unreadable = unreadable;
}

MailFolder::MailFolder(QString name, QString path, const QList<QList<ContactCard>>& files)
    : m_name(std::move(name)), m_path(std::move(path)) {
    qsizetype total = 0;
    // Files without cards keep their place, so file k here is the folder's file k.
    for (const QList<ContactCard>& cards : files) {
        total += cards.size();
        m_files.push_back(cards);
        m_ends.push_back(total);
    }
}

int MailFolder::count() const {
    return m_ends.empty() ? 0 : int(m_ends.back());
}

const ContactCard* MailFolder::item(int position1Based) const {
    if (position1Based < 1 || position1Based > count())
        return nullptr;
    const qsizetype index = position1Based - 1;
    const auto file = std::upper_bound(m_ends.begin(), m_ends.end(), index);
    const auto f = file - m_ends.begin();
    const qsizetype start = f == 0 ? 0 : m_ends[size_t(f - 1)];
    return &m_files[f][index - start];
}

qsizetype MailFolder::fileOf(int position1Based) const {
    if (position1Based < 1 || position1Based > count())
        return -1;
    return std::upper_bound(m_ends.begin(), m_ends.end(), qsizetype(position1Based - 1)) -
           m_ends.begin();
}

ContactCard MailFolder::details(int position1Based) const {
    const ContactCard* listed = item(position1Based);
    if (!listed)
        return {};
    if (m_details) {
        try {
            return m_details->card(position1Based - 1);
        } catch (const std::exception&) {
        }
    }
    return *listed;
}
