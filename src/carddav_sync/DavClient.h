// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "carddav_sync/DavError.h"
#include "carddav_sync/DavXml.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;

// Where and as whom the program talks to an address book server.
struct DavAccount {
    QUrl server; // any address on the server, or an address book's own
    QString user;
    QString password;
    QString trustedFingerprint; // a certificate the user chose to trust (SHA-256, hex pairs)
    int timeoutMs = 30000;      // longest wait for any answer to move on
    // When every request must have ended (a sync before the program exits).
    QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever);
};

// The address book server, through CardDAV (RFC 6352) over HTTP. Every call
// waits for its answer (running the event loop of the calling thread) and
// throws DavError on failure; no call takes longer than its time limit.
class DavClient {
public:
    explicit DavClient(DavAccount account);
    ~DavClient();
    DavClient(const DavClient&) = delete;
    DavClient& operator=(const DavClient&) = delete;

    // Answers larger than this are refused.
    static constexpr qint64 MaxAnswer = qint64(32) << 20;
    // Cards fetched by one multiget.
    static constexpr int MultigetBatch = 1000;

    struct Reply {
        int status = 0;
        QByteArray body;
        QString etag;
    };
    // One request; redirects to the same server are followed, others refused.
    Reply send(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
               const QList<std::pair<QByteArray, QByteArray>>& headers = {});

    struct Book {
        QUrl url;
        QString name; // its display name, else the last part of its address
    };
    // The user's address books (RFC 6764 discovery); an address that is an
    // address book gives that one. Throws NotFound when there are none.
    QList<Book> findBooks();
    // A new address book beside the user's others (extended MKCOL, RFC 5689).
    Book createBook(const QString& displayName);

    struct BookState {
        bool syncs = false; // the book offers sync-collection
        QString ctag;       // changes whenever any card of the book changes
    };
    BookState bookState(const QUrl& book);

    struct Card {
        QString href; // the card's path on the server
        QString etag;
        QByteArray data; // empty where only the card's ETag was asked for
    };
    // A card listed as changed: its data only where the server sent it along.
    using Change = Card;
    struct Changes {
        QList<Change> changed;
        QStringList removed;
        QString token;
    };
    // Changes since token (RFC 6578); an empty token lists every card. Returns
    // false (and nothing) when the server no longer accepts the token. The
    // cards come with the changes where the server sends them and the answer
    // stays within MaxAnswer; the others are for fetch().
    bool syncCollection(const QUrl& book, const QString& token, Changes& out);
    // Every card of the book with its ETag.
    QList<Change> listCards(const QUrl& book);

    // The cards at hrefs, fetched in batches; cards gone meanwhile are left out.
    QList<Card> fetch(const QUrl& book, const QStringList& hrefs);

    // The card's address from its path on the server.
    QUrl cardUrl(const QString& href) const;
    // A path as the server names it, decoded, for comparing.
    static QString pathOf(const QUrl& url);

    const DavAccount& account() const { return account_; }

private:
    bool changesSince(const QUrl& book, const QString& token, bool withCards, Changes& out);
    DavXml::MultiStatus propfind(const QUrl& url, int depth, const QByteArray& props);
    DavXml::MultiStatus report(const QUrl& url, int depth, const QByteArray& body);
    QUrl principalOf(const QUrl& url, DavXml::MultiStatus* answer);
    QList<Book> booksIn(const QUrl& home);
    QUrl homeSet();

    DavAccount account_;
    std::unique_ptr<QNetworkAccessManager> net_;
    QUrl home_;
};
