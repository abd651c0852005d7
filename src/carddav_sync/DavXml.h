// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The answers of an address book server read from their XML: a multi-status
// (RFC 4918) with its responses, properties and statuses. Only what the sync
// uses is kept. An answer that is not well-formed, declares entities or holds
// no multi-status is refused with a message saying so.
namespace DavXml {
inline constexpr const char* dav = "DAV:";
inline constexpr const char* carddav = "urn:ietf:params:xml:ns:carddav";
inline constexpr const char* calendarServer = "http://calendarserver.org/ns/";

// One property as answered: its text, the hrefs inside it, and the names
// ("namespace|local") of the elements inside it, at any depth.
struct Property {
    QString text;
    QStringList hrefs;
    QSet<QString> elements;
};

struct Response {
    QString href;                   // as sent, percent-encoded
    int status = 0;                 // the response's own status (a removed member), 0 when none
    QHash<QString, Property> found; // properties answered with a 2xx status, by "namespace|local"
    bool has(const char* ns, const char* local) const;
    const Property* property(const char* ns, const char* local) const;
};

struct MultiStatus {
    QList<Response> responses;
    QString syncToken; // the multi-status's own sync token (RFC 6578)
};

QString key(const char* ns, const char* local);

// Throws DavError (Kind::BadAnswer) with the reason.
MultiStatus parse(const QByteArray& body);

// The status code of an "HTTP/1.1 404 Not Found" line, 0 when none.
int statusOf(const QString& line);

// Escapes text for an element's content.
QString escaped(const QString& text);
} // namespace DavXml
