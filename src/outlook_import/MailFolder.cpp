#include "outlook_import/MailFolder.h"

#include <utility>

MailFolder::MailFolder(QString name, QString path, QList<ContactCard> items)
    : m_name(std::move(name)), m_path(std::move(path)), m_items(std::move(items)) {}

int MailFolder::count() const {
    return int(m_items.size());
}

const ContactCard* MailFolder::item(int position1Based) const {
    if (position1Based < 1 || position1Based > m_items.size())
        return nullptr;
    return &m_items[position1Based - 1];
}
