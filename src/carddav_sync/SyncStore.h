// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vcard/ContactFields.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class Database;

// What a list file keeps of its link to a server address book, in side tables
// of its own (the contact table stays as it is): the link, and for each
// contact its card's place on the server, the card's ETag, the card as last
// synced and the contact's fields at that moment. Changes are found by
// comparing each contact with that state. A contact deleted by any program
// loses its contact key here (a trigger), so its card can be deleted in turn.
class SyncStore {
public:
    static constexpr const char* linkTable = "SyncLink";
    static constexpr const char* cardTable = "SyncCards";

    struct Link {
        QString server; // the address the user gave
        QString user;
        QString book;        // the address book's address
        QString token;       // sync-collection token of the last sync
        QString ctag;        // the book's ctag at the last sync
        QString fingerprint; // a certificate the user trusts for this server
        QString lastSync;    // ISO date and time of the last sync that ended well
    };

    struct Card {
        std::optional<qint64> contact;       // empty: deleted here since
        QString href;                        // the card's path on the server
        QString etag;                        // empty: chosen, not yet known to have arrived
        QByteArray card;                     // the card as last synced
        std::optional<ContactFields> fields; // the contact as last synced
        bool sent() const { return !etag.isEmpty(); }
    };

    explicit SyncStore(Database& db);

    std::optional<Link> link();
    // Stores a new link, forgetting any earlier state.
    void setLink(const Link& link);
    void saveProgress(const QString& token, const QString& ctag, const QString& lastSync);
    void setFingerprint(const QString& fingerprint);
    // Forgets the link and every card's state.
    void unlink();

    QHash<QString, Card> cards(); // by href
    void put(const Card& card);   // adds or replaces by href
    void remove(const QString& href);

    static QString encode(const ContactFields& fields);
    static ContactFields decode(const QString& text);

private:
    void create();
    Database& db_;
};
