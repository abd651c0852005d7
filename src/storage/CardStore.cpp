// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/CardStore.h"

#include "platform/Database.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QUuid>

#include <SQLiteCpp/SQLiteCpp.h>
#include <array>

namespace {

std::string utf8(const QString& text) {
    return text.toStdString();
}

CardStore::Entry entryOf(SQLite::Statement& q, int first) {
    CardStore::Entry e;
    e.uid = QString::fromStdString(q.getColumn(first).getString());
    const SQLite::Column card = q.getColumn(first + 1);
    if (!card.isNull())
        e.card = QByteArray(static_cast<const char*>(card.getBlob()), card.getBytes());
    e.homeAddress = q.getColumn(first + 2).getInt() != 0;
    return e;
}

} // namespace

CardStore::CardStore(Database& db) : db_(db) {}

// A time-ordered random UUID (version 7): new UIDs go to the end of the UID
// index, so giving a whole list its UIDs at once stays quick.
QString CardStore::newUid() {
    const quint64 ms = quint64(QDateTime::currentMSecsSinceEpoch());
    std::array<quint64, 2> random{};
    QRandomGenerator::global()->fillRange(random.data(), random.size());
    std::array<char, 16> bytes{};
    for (int i = 0; i < 6; ++i)
        bytes[size_t(i)] = char(ms >> (40 - 8 * i));
    for (int i = 6; i < 16; ++i)
        bytes[size_t(i)] = char(random[size_t(i / 8)] >> (8 * (i % 8)));
    bytes[6] = char(0x70 | (bytes[6] & 0x0F)); // version 7
    bytes[8] = char(0x80 | (bytes[8] & 0x3F)); // RFC 4122 variant
    return QUuid::fromRfc4122(QByteArrayView(bytes.data(), 16)).toString(QUuid::WithoutBraces);
}

bool CardStore::exists() {
    if (!known_)
        known_ = db_.hasTable(QString::fromLatin1(table));
    return known_;
}

// Called inside a change only.
void CardStore::create() {
    if (exists())
        return;
    {
        SQLite::Database& h = db_.handle();
        h.exec("CREATE TABLE IF NOT EXISTS ContactCards ("
               " contact INTEGER PRIMARY KEY,"
               " uid TEXT NOT NULL UNIQUE,"
               " card BLOB,"
               " homeAddress INTEGER NOT NULL DEFAULT 0)");
        h.exec("CREATE TRIGGER IF NOT EXISTS ContactCards_forget AFTER DELETE ON pName2 "
               "BEGIN DELETE FROM ContactCards WHERE contact = old.rowid; END");
    }
    known_ = true;
}

template <class Fn> void CardStore::change(Fn&& fn) {
    db_.guarded([&] {
        SQLite::Database& h = db_.handle();
        db_.prepared("SAVEPOINT card_store").exec();
        try {
            create();
            fn(h);
            db_.prepared("RELEASE card_store").exec();
        } catch (...) {
            try {
                h.exec("ROLLBACK TO card_store");
                h.exec("RELEASE card_store");
            } catch (const std::exception&) {
            }
            known_ = false;
            throw;
        }
    });
}

std::optional<CardStore::Entry> CardStore::find(qint64 contact) {
    if (!exists())
        return std::nullopt;
    return db_.guarded([&]() -> std::optional<Entry> {
        SQLite::Statement q(db_.handle(),
                            "SELECT uid, card, homeAddress FROM ContactCards WHERE contact = ?");
        q.bind(1, int64_t(contact));
        if (!q.executeStep())
            return std::nullopt;
        return entryOf(q, 0);
    });
}

std::optional<qint64> CardStore::contactOf(const QString& uid) {
    if (!exists())
        return std::nullopt;
    return db_.guarded([&]() -> std::optional<qint64> {
        SQLite::Statement& q = db_.prepared("SELECT contact FROM ContactCards WHERE uid = ?");
        q.bind(1, utf8(uid));
        std::optional<qint64> contact;
        if (q.executeStep())
            contact = q.getColumn(0).getInt64();
        q.reset();
        return contact;
    });
}

QHash<qint64, CardStore::Entry> CardStore::all() {
    QHash<qint64, Entry> out;
    if (!exists())
        return out;
    db_.guarded([&] {
        SQLite::Statement q(db_.handle(),
                            "SELECT contact, uid, card, homeAddress FROM ContactCards");
        while (q.executeStep())
            out.insert(q.getColumn(0).getInt64(), entryOf(q, 1));
    });
    return out;
}

QString CardStore::keep(qint64 contact, const QString& uid, const QByteArray& card,
                        bool homeAddress) {
    QString kept = uid;
    change([&](SQLite::Database&) {
        if (kept.isEmpty()) {
            kept = newUid();
        } else {
            SQLite::Statement& other =
                db_.prepared("SELECT 1 FROM ContactCards WHERE uid = ? AND contact <> ?");
            other.bind(1, utf8(kept));
            other.bind(2, int64_t(contact));
            if (other.executeStep())
                kept = newUid();
            other.reset();
        }
        SQLite::Statement& put = db_.prepared("INSERT OR REPLACE INTO ContactCards (contact, uid, "
                                              "card, homeAddress) VALUES (?, ?, ?, ?)");
        put.bind(1, int64_t(contact));
        put.bind(2, utf8(kept));
        if (card.isEmpty())
            put.bind(3);
        else
            put.bind(3, card.constData(), int(card.size()));
        put.bind(4, homeAddress ? 1 : 0);
        put.exec();
    });
    return kept;
}

void CardStore::replaceCard(qint64 contact, const QByteArray& card) {
    const std::optional<Entry> entry = find(contact);
    keep(contact, entry ? entry->uid : QString(), card, entry && entry->homeAddress);
}

QHash<qint64, QString> CardStore::ensureUids(const QList<qint64>& contacts) {
    QHash<qint64, QString> out;
    QHash<qint64, QString> known;
    if (exists())
        db_.guarded([&] {
            SQLite::Statement q(db_.handle(), "SELECT contact, uid FROM ContactCards");
            while (q.executeStep())
                known.insert(q.getColumn(0).getInt64(),
                             QString::fromUtf8(q.getColumn(1).getText()));
        });
    QList<qint64> missing;
    for (qint64 contact : contacts) {
        const auto it = known.constFind(contact);
        if (it != known.constEnd())
            out.insert(contact, *it);
        else
            missing << contact;
    }
    if (missing.isEmpty())
        return out;
    change([&](SQLite::Database& h) {
        SQLite::Statement put(h, "INSERT INTO ContactCards (contact, uid) VALUES (?, ?)");
        for (qint64 contact : missing) {
            const QString uid = newUid();
            put.bind(1, int64_t(contact));
            put.bind(2, utf8(uid));
            put.exec();
            put.reset();
            out.insert(contact, uid);
        }
    });
    return out;
}

void CardStore::forget(qint64 contact) {
    if (!exists())
        return;
    change([&](SQLite::Database& h) {
        SQLite::Statement q(h, "DELETE FROM ContactCards WHERE contact = ?");
        q.bind(1, int64_t(contact));
        q.exec();
    });
}
