// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class Database;

// What a list file keeps beside each contact for cards: the UID its card
// carries on every export, and the card the contact was taken from (so an
// export keeps what the list has no field for). A side table of the list file,
// made when something is first kept; the contact table stays as it is. A
// contact is named by its row id in the contact table ("contact key"); deleting
// the contact, by this program or another, forgets its entry (a trigger does).
//
// The table: ContactCards(contact INTEGER PRIMARY KEY -- the contact's row id,
// uid TEXT NOT NULL UNIQUE, card BLOB -- null for none, homeAddress INTEGER);
// bulk readers may join it to the contact table on contact = rowid.
//
// Every change runs in a transaction of its own (a savepoint, so it may also
// run inside a caller's transaction). Failures throw RunError.
class CardStore {
public:
    static constexpr const char* table = "ContactCards";

    struct Entry {
        QString uid;
        QByteArray card;          // as it came; empty when the contact has none
        bool homeAddress = false; // the card was read taking its home address
    };

    explicit CardStore(Database& db);

    // The entry of one contact, if it has one.
    std::optional<Entry> find(qint64 contact);
    // The contact holding a UID.
    std::optional<qint64> contactOf(const QString& uid);
    // Every entry, by contact key, in one reading.
    QHash<qint64, Entry> all();

    // Keeps a card and its UID for a contact, replacing what it had. A UID
    // that is empty or held by another contact is replaced by a new one; the
    // UID kept is returned.
    QString keep(qint64 contact, const QString& uid, const QByteArray& card,
                 bool homeAddress = false);
    // Changes the kept card, keeping the UID (adds the entry when missing).
    void replaceCard(qint64 contact, const QByteArray& card);
    // Gives each of the contacts without a UID a new one, in one transaction;
    // returns the UID of every contact given.
    QHash<qint64, QString> ensureUids(const QList<qint64>& contacts);
    // Forgets a contact's entry.
    void forget(qint64 contact);

    static QString newUid();

private:
    bool exists();
    void create();
    template <class Fn> void change(Fn&& fn);

    Database& db_;
    bool known_ = false;
};
