// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncStore.h"

#include "platform/Database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <SQLiteCpp/SQLiteCpp.h>

namespace {
QString text(const SQLite::Column& c) {
    return c.isNull() ? QString() : QString::fromUtf8(c.getText());
}
void bindText(SQLite::Statement& q, int n, const QString& value) {
    if (value.isNull())
        q.bind(n);
    else
        q.bind(n, value.toStdString());
}
} // namespace

SyncStore::SyncStore(Database& db) : db_(db) {}

void SyncStore::create() {
    db_.guarded([&] {
        db_.handle().exec(
            "CREATE TABLE IF NOT EXISTS SyncLink (server TEXT, user TEXT, book TEXT, token TEXT,"
            " ctag TEXT, fingerprint TEXT, lastSync TEXT);"
            "CREATE TABLE IF NOT EXISTS SyncCards (href TEXT PRIMARY KEY, contact INTEGER,"
            " etag TEXT, card BLOB, fields TEXT);"
            "CREATE INDEX IF NOT EXISTS SyncCards_contact ON SyncCards (contact);"
            "CREATE TRIGGER IF NOT EXISTS SyncCards_deleted AFTER DELETE ON pName2 BEGIN"
            " UPDATE SyncCards SET contact = NULL WHERE contact = old.rowid; END;");
    });
}

std::optional<SyncStore::Link> SyncStore::link() {
    if (!db_.hasTable(QLatin1String(linkTable)))
        return std::nullopt;
    return db_.guarded([&]() -> std::optional<Link> {
        SQLite::Statement q(db_.handle(), "SELECT server, user, book, token, ctag, fingerprint,"
                                          " lastSync FROM SyncLink LIMIT 1");
        if (!q.executeStep())
            return std::nullopt;
        return Link{text(q.getColumn(0)), text(q.getColumn(1)), text(q.getColumn(2)),
                    text(q.getColumn(3)), text(q.getColumn(4)), text(q.getColumn(5)),
                    text(q.getColumn(6))};
    });
}

void SyncStore::setLink(const Link& link) {
    create();
    db_.guarded([&] {
        SQLite::Transaction t(db_.handle());
        db_.handle().exec("DELETE FROM SyncLink; DELETE FROM SyncCards;");
        SQLite::Statement q(db_.handle(), "INSERT INTO SyncLink VALUES (?, ?, ?, ?, ?, ?, ?)");
        bindText(q, 1, link.server);
        bindText(q, 2, link.user);
        bindText(q, 3, link.book);
        bindText(q, 4, link.token);
        bindText(q, 5, link.ctag);
        bindText(q, 6, link.fingerprint);
        bindText(q, 7, link.lastSync);
        q.exec();
        t.commit();
    });
}

void SyncStore::saveProgress(const QString& token, const QString& ctag, const QString& lastSync) {
    db_.guarded([&] {
        SQLite::Statement q(db_.handle(), "UPDATE SyncLink SET token = ?, ctag = ?,"
                                          " lastSync = coalesce(?, lastSync)");
        bindText(q, 1, token);
        bindText(q, 2, ctag);
        bindText(q, 3, lastSync);
        q.exec();
    });
}

void SyncStore::setFingerprint(const QString& fingerprint) {
    db_.guarded([&] {
        SQLite::Statement q(db_.handle(), "UPDATE SyncLink SET fingerprint = ?");
        bindText(q, 1, fingerprint);
        q.exec();
    });
}

void SyncStore::unlink() {
    if (!db_.hasTable(QLatin1String(linkTable)))
        return;
    db_.guarded([&] {
        SQLite::Transaction t(db_.handle());
        db_.handle().exec(
            "DROP TRIGGER IF EXISTS SyncCards_deleted; DROP TABLE IF EXISTS SyncCards;"
            " DROP TABLE IF EXISTS SyncLink;");
        t.commit();
    });
}

QHash<QString, SyncStore::Card> SyncStore::cards() {
    create();
    return db_.guarded([&] {
        QHash<QString, Card> out;
        SQLite::Statement q(db_.handle(),
                            "SELECT href, contact, etag, card, fields FROM SyncCards");
        while (q.executeStep()) {
            Card c;
            c.href = text(q.getColumn(0));
            if (!q.getColumn(1).isNull())
                c.contact = q.getColumn(1).getInt64();
            c.etag = text(q.getColumn(2));
            const SQLite::Column blob = q.getColumn(3);
            c.card = QByteArray(static_cast<const char*>(blob.getBlob()), blob.getBytes());
            if (!q.getColumn(4).isNull())
                c.fields = decode(text(q.getColumn(4)));
            out.insert(c.href, c);
        }
        return out;
    });
}

void SyncStore::put(const Card& c) {
    db_.guarded([&] {
        // Kept prepared: a sync puts thousands of cards one by one.
        SQLite::Statement& q =
            db_.prepared("INSERT OR REPLACE INTO SyncCards VALUES (?, ?, ?, ?, ?)");
        bindText(q, 1, c.href);
        if (c.contact)
            q.bind(2, static_cast<int64_t>(*c.contact));
        else
            q.bind(2);
        bindText(q, 3, c.etag.isEmpty() ? QString() : c.etag);
        q.bind(4, c.card.constData(), int(c.card.size()));
        if (c.fields)
            bindText(q, 5, encode(*c.fields));
        else
            q.bind(5);
        q.exec();
    });
}

void SyncStore::remove(const QString& href) {
    db_.guarded([&] {
        SQLite::Statement q(db_.handle(), "DELETE FROM SyncCards WHERE href = ?");
        bindText(q, 1, href);
        q.exec();
    });
}

QString SyncStore::encode(const ContactFields& fields) {
    QJsonArray values;
    for (const QString& v : fields.values)
        values.append(v);
    QJsonArray extra;
    for (const auto& [column, value] : fields.extra)
        extra.append(QJsonArray{column, value});
    return QString::fromUtf8(
        QJsonDocument(QJsonArray{values, extra}).toJson(QJsonDocument::Compact));
}

ContactFields SyncStore::decode(const QString& text) {
    const QJsonArray all = QJsonDocument::fromJson(text.toUtf8()).array();
    ContactFields f;
    const QJsonArray values = all.at(0).toArray();
    for (qsizetype i = 0; i < qsizetype(f.values.size()) && i < values.size(); ++i)
        f.values[size_t(i)] = values.at(i).toString();
    for (const QJsonValue& pair : all.at(1).toArray())
        f.extra.append({pair.toArray().at(0).toString(), pair.toArray().at(1).toString()});
    return f;
}
