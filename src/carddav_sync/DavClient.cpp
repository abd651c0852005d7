// SPDX-License-Identifier: GPL-3.0-or-later
#include "DavClient.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>
#include <QTimer>
#include <QUuid>

using namespace DavXml;

namespace {
constexpr int MaxRedirects = 5;

QString fingerprintOf(const QSslCertificate& cert) {
    const QByteArray hash = QCryptographicHash::hash(cert.toDer(), QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.toHex(':').toUpper());
}

bool sameServer(const QUrl& a, const QUrl& b) {
    const bool scheme =
        a.scheme() == b.scheme() || (a.scheme() == u"http" && b.scheme() == u"https");
    return scheme && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(a.scheme() == u"https" ? 443 : 80) == b.port(b.scheme() == u"https" ? 443 : 80);
}

QByteArray propfindBody(const QByteArray& props) {
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<d:propfind xmlns:d=\"DAV:\" "
                             "xmlns:c=\"urn:ietf:params:xml:ns:carddav\" "
                             "xmlns:cs=\"http://calendarserver.org/ns/\"><d:prop>") +
           props + QByteArrayLiteral("</d:prop></d:propfind>");
}

QString lastPart(const QUrl& url) {
    const QStringList parts = url.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? url.host() : QUrl::fromPercentEncoding(parts.last().toUtf8());
}

bool isBook(const Response& r) {
    const Property* type = r.property(dav, "resourcetype");
    return type && type->elements.contains(key(carddav, "addressbook"));
}

QUrl asFolder(QUrl url) {
    if (!url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path() + QLatin1Char('/'));
    return url;
}
} // namespace

DavClient::DavClient(DavAccount account)
    : account_(std::move(account)), net_(std::make_unique<QNetworkAccessManager>()) {
    net_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    net_->setAutoDeleteReplies(false);
}

DavClient::~DavClient() = default;

QString DavClient::pathOf(const QUrl& url) {
    return url.path(QUrl::FullyDecoded);
}

QUrl DavClient::cardUrl(const QString& href) const {
    QUrl url = account_.server;
    url.setQuery(QString());
    url.setFragment(QString());
    url.setPath(href, QUrl::DecodedMode);
    return url;
}

DavClient::Reply DavClient::send(const QByteArray& verb, const QUrl& start, const QByteArray& body,
                                 const QList<std::pair<QByteArray, QByteArray>>& headers) {
    QUrl url = start;
    for (int hop = 0;; ++hop) {
        if (account_.deadline.hasExpired())
            throw DavError(DavError::Kind::Unreachable,
                           QStringLiteral("The server %1 did not answer in time.").arg(url.host()));
        QNetworkRequest request(url);
        request.setTransferTimeout(account_.timeoutMs);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        if (!account_.user.isEmpty()) {
            const QByteArray pair = (account_.user + QLatin1Char(':') + account_.password).toUtf8();
            request.setRawHeader("Authorization", "Basic " + pair.toBase64());
        }
        if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArrayLiteral("application/xml; charset=utf-8"));
        for (const auto& [name, value] : headers)
            request.setRawHeader(name, value);

        QBuffer upload;
        upload.setData(body);
        upload.open(QIODevice::ReadOnly);
        QNetworkReply* reply = net_->sendCustomRequest(request, verb, &upload);
        const std::unique_ptr<QNetworkReply> owner(reply);

        QString refusedCertificate;
        QString tooLarge;
        bool timedOut = false;
        QByteArray answer;
        QEventLoop loop;
        QTimer overall;
        overall.setSingleShot(true);
        QObject::connect(&overall, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            reply->abort();
        });
        overall.start(int(std::min<qint64>(qint64(account_.timeoutMs) * 4,
                                           account_.deadline.remainingTime() < 0
                                               ? qint64(account_.timeoutMs) * 4
                                               : account_.deadline.remainingTime())));
        QObject::connect(
            reply, &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
                const QSslCertificate cert =
                    errors.isEmpty() || errors.first().certificate().isNull()
                        ? reply->sslConfiguration().peerCertificate()
                        : errors.first().certificate();
                const QString print = fingerprintOf(cert);
                if (!account_.trustedFingerprint.isEmpty() &&
                    print.compare(account_.trustedFingerprint, Qt::CaseInsensitive) == 0)
                    reply->ignoreSslErrors();
                else
                    refusedCertificate = print;
            });
        const auto limit = [&] {
            if (!reply->isOpen())
                return;
            const qint64 declared =
                reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
            if (declared > MaxAnswer || answer.size() + reply->bytesAvailable() > MaxAnswer) {
                tooLarge = QStringLiteral("larger than %1 MB").arg(MaxAnswer >> 20);
                reply->abort();
                return;
            }
            answer += reply->readAll();
        };
        QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, limit);
        QObject::connect(reply, &QNetworkReply::readyRead, &loop, limit);
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        if (tooLarge.isEmpty())
            limit();

        if (!tooLarge.isEmpty())
            throw DavError(
                DavError::Kind::TooLarge,
                QStringLiteral("The server's answer was refused: it is %1.").arg(tooLarge));
        if (!refusedCertificate.isEmpty())
            throw DavError(DavError::Kind::UntrustedCertificate,
                           QStringLiteral("The certificate of %1 is not trusted. Its SHA-256 "
                                          "fingerprint is %2.")
                               .arg(url.host(), refusedCertificate),
                           0, refusedCertificate);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 0) {
            const bool late = timedOut || reply->error() == QNetworkReply::OperationCanceledError ||
                              reply->error() == QNetworkReply::TimeoutError;
            throw DavError(
                DavError::Kind::Unreachable,
                late ? QStringLiteral("The server %1 did not answer in time.").arg(url.host())
                     : QStringLiteral("The server %1 could not be reached: %2.")
                           .arg(url.host(), reply->errorString()));
        }
        if (status == 401)
            throw DavError(DavError::Kind::Refused,
                           QStringLiteral("The server refused the user name or password."), status);
        if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
            const QUrl target =
                url.resolved(reply->header(QNetworkRequest::LocationHeader).toUrl());
            if (!target.isValid() || !sameServer(url, target))
                throw DavError(
                    DavError::Kind::BadAnswer,
                    QStringLiteral("The server sent the request on to another server "
                                   "(%1); it was not followed.")
                        .arg(target.host().isEmpty() ? target.toString() : target.host()),
                    status);
            if (hop >= MaxRedirects)
                throw DavError(DavError::Kind::BadAnswer,
                               QStringLiteral("The server sent the request on too many times."),
                               status);
            url = target;
            continue;
        }
        Reply out;
        out.status = status;
        out.body = answer;
        out.etag = QString::fromUtf8(reply->rawHeader("ETag"));
        return out;
    }
}

MultiStatus DavClient::propfind(const QUrl& url, int depth, const QByteArray& props) {
    const Reply r =
        send("PROPFIND", url, propfindBody(props), {{"Depth", QByteArray::number(depth)}});
    if (r.status != 207)
        throw DavError(
            r.status == 404 ? DavError::Kind::NotFound : DavError::Kind::Status,
            QStringLiteral("The server answered %1 to a look at %2.").arg(r.status).arg(url.path()),
            r.status);
    return parse(r.body);
}

MultiStatus DavClient::report(const QUrl& url, int depth, const QByteArray& body) {
    const Reply r = send("REPORT", url, body, {{"Depth", QByteArray::number(depth)}});
    if (r.status != 207)
        throw DavError(DavError::Kind::Status,
                       QStringLiteral("The server answered %1 to a report on %2.")
                           .arg(r.status)
                           .arg(url.path()),
                       r.status);
    return parse(r.body);
}

QUrl DavClient::principalOf(const QUrl& url, MultiStatus* answer) {
    *answer = propfind(url, 0,
                       "<d:resourcetype/><d:displayname/><d:current-user-principal/>"
                       "<c:addressbook-home-set/>");
    for (const Response& r : answer->responses)
        if (const Property* p = r.property(dav, "current-user-principal"); p && !p->hrefs.isEmpty())
            return url.resolved(QUrl(p->hrefs.first()));
    return {};
}

QUrl DavClient::homeSet() {
    if (home_.isValid())
        return home_;
    const QUrl given = account_.server;
    MultiStatus answer;
    QUrl principal;
    try {
        principal = principalOf(given, &answer);
    } catch (const DavError& e) {
        if (e.kind() != DavError::Kind::NotFound && e.kind() != DavError::Kind::Status)
            throw;
    }
    if (!principal.isValid()) {
        QUrl wellKnown = given;
        wellKnown.setPath(QStringLiteral("/.well-known/carddav"));
        principal = principalOf(wellKnown, &answer);
    }
    if (!principal.isValid())
        principal = given;
    const MultiStatus p = propfind(principal, 0, "<c:addressbook-home-set/>");
    for (const Response& r : p.responses)
        if (const Property* set = r.property(carddav, "addressbook-home-set");
            set && !set->hrefs.isEmpty())
            return home_ = asFolder(principal.resolved(QUrl(set->hrefs.first())));
    throw DavError(DavError::Kind::NotFound,
                   QStringLiteral("The server at %1 names no address books for %2.")
                       .arg(given.host(), account_.user));
}

QList<DavClient::Book> DavClient::booksIn(const QUrl& home) {
    QList<Book> books;
    const MultiStatus m = propfind(home, 1, "<d:resourcetype/><d:displayname/>");
    for (const Response& r : m.responses) {
        if (!isBook(r))
            continue;
        const QUrl url = asFolder(home.resolved(QUrl(r.href)));
        const Property* name = r.property(dav, "displayname");
        books.append(
            {url, name && !name->text.trimmed().isEmpty() ? name->text.trimmed() : lastPart(url)});
    }
    return books;
}

QList<DavClient::Book> DavClient::findBooks() {
    // An address that is itself a book is used as it is.
    try {
        const MultiStatus self = propfind(account_.server, 0, "<d:resourcetype/><d:displayname/>");
        for (const Response& r : self.responses)
            if (isBook(r)) {
                const Property* name = r.property(dav, "displayname");
                const QUrl url = asFolder(account_.server);
                return {{url, name && !name->text.trimmed().isEmpty() ? name->text.trimmed()
                                                                      : lastPart(url)}};
            }
    } catch (const DavError& e) {
        if (e.kind() != DavError::Kind::NotFound && e.kind() != DavError::Kind::Status &&
            e.kind() != DavError::Kind::BadAnswer)
            throw;
    }
    QList<Book> books = booksIn(homeSet());
    if (books.isEmpty())
        throw DavError(DavError::Kind::NotFound,
                       QStringLiteral("The server at %1 holds no address book for %2.")
                           .arg(account_.server.host(), account_.user));
    return books;
}

DavClient::Book DavClient::createBook(const QString& displayName) {
    const QUrl url = homeSet().resolved(
        QUrl(QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('/')));
    const QByteArray body =
        QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                          "<d:mkcol xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                          "<d:set><d:prop><d:resourcetype><d:collection/><c:addressbook/>"
                          "</d:resourcetype><d:displayname>") +
        escaped(displayName).toUtf8() +
        QByteArrayLiteral("</d:displayname></d:prop></d:set></d:mkcol>");
    const Reply r = send("MKCOL", url, body);
    if (r.status != 201)
        throw DavError(DavError::Kind::Status,
                       QStringLiteral("The server refused to make the address book \"%1\" (%2).")
                           .arg(displayName)
                           .arg(r.status),
                       r.status);
    return {url, displayName};
}

DavClient::BookState DavClient::bookState(const QUrl& book) {
    // The sync token is not asked for: some servers compute it slowly, and
    // the sync-collection answer carries it anyway.
    const MultiStatus m = propfind(book, 0, "<cs:getctag/><d:supported-report-set/>");
    BookState state;
    for (const Response& r : m.responses) {
        const Property* reports = r.property(dav, "supported-report-set");
        state.syncs = reports && reports->elements.contains(key(dav, "sync-collection"));
        if (const Property* c = r.property(calendarServer, "getctag"))
            state.ctag = c->text.trimmed();
    }
    return state;
}

bool DavClient::syncCollection(const QUrl& book, const QString& token, Changes& out) {
    try {
        return changesSince(book, token, true, out);
    } catch (const DavError& e) {
        if (e.kind() != DavError::Kind::TooLarge)
            throw;
        return changesSince(book, token, false, out);
    }
}

bool DavClient::changesSince(const QUrl& book, const QString& token, bool withCards, Changes& out) {
    out = {};
    QString from = token;
    const QString bookPath = pathOf(book);
    // A server may answer in parts (507 on the book itself): ask again from the new token.
    for (int round = 0; round < 1000; ++round) {
        const QByteArray body =
            QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                              "<d:sync-collection xmlns:d=\"DAV:\" "
                              "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:sync-token>") +
            escaped(from).toUtf8() +
            QByteArrayLiteral("</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/>") +
            (withCards ? QByteArrayLiteral("<c:address-data/>") : QByteArray()) +
            QByteArrayLiteral("</d:prop></d:sync-collection>");
        const Reply r = send("REPORT", book, body, {{"Depth", "0"}});
        if ((r.status == 403 || r.status == 409 || r.status == 400) && !from.isEmpty())
            return false;
        if (r.status != 207)
            throw DavError(
                DavError::Kind::Status,
                QStringLiteral("The server answered %1 when asked for its changes.").arg(r.status),
                r.status);
        const MultiStatus m = parse(r.body);
        bool partial = false;
        for (const Response& c : m.responses) {
            const QString path = pathOf(book.resolved(QUrl(c.href)));
            if (path == bookPath) {
                partial = partial || c.status == 507;
                continue;
            }
            if (c.status == 404) {
                out.removed.append(path);
                continue;
            }
            const Property* etag = c.property(dav, "getetag");
            const Property* data = c.property(carddav, "address-data");
            if (etag)
                out.changed.append(
                    {path, etag->text.trimmed(), data ? data->text.toUtf8() : QByteArray()});
        }
        out.token = m.syncToken;
        if (!partial || m.syncToken.isEmpty() || m.syncToken == from)
            return true;
        from = m.syncToken;
    }
    return true;
}

QList<DavClient::Change> DavClient::listCards(const QUrl& book) {
    QList<Change> cards;
    const QString bookPath = pathOf(book);
    const MultiStatus m = propfind(book, 1, "<d:getetag/><d:resourcetype/>");
    for (const Response& r : m.responses) {
        const QString path = pathOf(book.resolved(QUrl(r.href)));
        const Property* etag = r.property(dav, "getetag");
        const Property* type = r.property(dav, "resourcetype");
        if (path == bookPath || !etag || (type && type->elements.contains(key(dav, "collection"))))
            continue;
        cards.append({path, etag->text.trimmed()});
    }
    return cards;
}

QList<DavClient::Card> DavClient::fetch(const QUrl& book, const QStringList& hrefs) {
    QList<Card> cards;
    for (qsizetype start = 0; start < hrefs.size(); start += MultigetBatch) {
        QByteArray body = QByteArrayLiteral(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
            "<c:addressbook-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
            "<d:prop><d:getetag/><c:address-data/></d:prop>");
        for (qsizetype i = start; i < std::min(hrefs.size(), start + MultigetBatch); ++i)
            body += "<d:href>" + escaped(cardUrl(hrefs.at(i)).path(QUrl::FullyEncoded)).toUtf8() +
                    "</d:href>";
        body += "</c:addressbook-multiget>";
        const MultiStatus m = report(book, 1, body);
        for (const Response& r : m.responses) {
            const Property* data = r.property(carddav, "address-data");
            const Property* etag = r.property(dav, "getetag");
            if (!data || !etag)
                continue;
            cards.append(
                {pathOf(book.resolved(QUrl(r.href))), etag->text.trimmed(), data->text.toUtf8()});
        }
    }
    return cards;
}
