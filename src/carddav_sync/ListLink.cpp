// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListLink.h"

#include "platform/Database.h"

#include <QHostAddress>

namespace ListLink {

QUrl serverUrl(const QString& typed) {
    const QString text = typed.trimmed();
    QUrl url =
        text.contains(QStringLiteral("://")) ? QUrl(text) : QUrl(QStringLiteral("https://") + text);
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}

bool isPlainRemote(const QUrl& url) {
    if (url.scheme() != u"http")
        return false;
    const QHostAddress address(url.host());
    return url.host().compare(QStringLiteral("localhost"), Qt::CaseInsensitive) != 0 &&
           !(!address.isNull() && address.isLoopback());
}

DavAccount accountOf(const SyncStore::Link& link, const QString& password, int timeoutMs) {
    return {QUrl(link.book), link.user, password, link.fingerprint, timeoutMs};
}

void keep(Database& list, const DavClient& client, const DavClient::Book& book) {
    SyncStore::Link l;
    l.server = client.account().server.toString();
    l.user = client.account().user;
    l.book = book.url.toString();
    l.fingerprint = client.account().trustedFingerprint;
    SyncStore(list).setLink(l);
}

DavClient::Book link(Database& list, DavClient& client, const QString& book) {
    const QList<DavClient::Book> books = client.findBooks();
    DavClient::Book chosen = books.first();
    if (!book.isEmpty()) {
        const QString wanted = DavClient::pathOf(client.account().server.resolved(QUrl(book)));
        const auto it = std::find_if(books.begin(), books.end(), [&](const DavClient::Book& b) {
            return DavClient::pathOf(b.url) == wanted ||
                   DavClient::pathOf(b.url) == wanted + QLatin1Char('/') || b.name == book;
        });
        if (it == books.end())
            throw DavError(DavError::Kind::NotFound,
                           QStringLiteral("The server has no address book \"%1\".").arg(book));
        chosen = *it;
    }
    keep(list, client, chosen);
    return chosen;
}

std::optional<SyncStore::Link> linkOf(Database& list) {
    return SyncStore(list).link();
}

void unlink(Database& list) {
    SyncStore(list).unlink();
}

} // namespace ListLink
