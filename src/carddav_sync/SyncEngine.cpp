// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncEngine.h"

#include "carddav_sync/SyncStore.h"
#include "platform/Database.h"
#include "storage/CardStore.h"
#include "vcard/VCardReader.h"
#include "vcard/VCardWriter.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QUuid>
#include <SQLiteCpp/SQLiteCpp.h>
#include <thread>
#include <utility>

namespace {
using Card = SyncStore::Card;
constexpr int Fields = ContactFields::Count;
constexpr int MaxTries = 3;

bool sameValues(const ContactFields& a, const ContactFields& b) {
    return a.values == b.values;
}

QString columnList() {
    QStringList names;
    for (const char* c : ContactFields::columns)
        names << QLatin1String(c);
    return names.join(u',');
}

struct Read {
    ContactFields fields;
    QString uid;
};
std::optional<Read> readCard(const QByteArray& data) {
    for (const ContactCard& c : VCardReader::readData(data))
        if (c.isContact())
            return Read{c.fields, c.uid};
    return std::nullopt;
}

// Both changed since base: each field takes the side that changed it; a
// field both changed differently is a conflict. Without a base (a first
// meeting), a field empty on one side takes the other's.
std::optional<ContactFields> merged(const ContactFields* base, const ContactFields& local,
                                    const ContactFields& remote) {
    ContactFields out = remote;
    for (int i = 0; i < Fields; ++i) {
        const QString& l = local.values[size_t(i)];
        const QString& r = remote.values[size_t(i)];
        if (l == r)
            continue;
        const bool localSame = base ? l == base->values[size_t(i)] : l.isEmpty();
        const bool remoteSame = base ? r == base->values[size_t(i)] : r.isEmpty();
        if (localSame)
            continue;
        if (!remoteSame)
            return std::nullopt;
        out.values[size_t(i)] = l;
    }
    return out;
}

QString plainName(const QString& uid) {
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9._-]{1,100}$"));
    return safe.match(uid).hasMatch() ? uid : QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool same(const QString& a, const QString& b) {
    return !a.trimmed().isEmpty() && a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}
} // namespace

QString SyncEngine::Result::summary() const {
    QString s = QStringLiteral("%1 received, %2 sent, %3 conflicts kept")
                    .arg(received)
                    .arg(sent)
                    .arg(conflicts);
    if (refused > 0)
        s += QStringLiteral(", %1 cards refused by the server").arg(refused);
    if (unreadable > 0)
        s += QStringLiteral(", %1 unreadable cards left on the server").arg(unreadable);
    return s;
}

struct SyncEngine::Impl {
    Database& db;
    DavClient& client;
    SyncStore store{db};
    CardStore cardStore{db};
    QUrl book;
    QString bookPath;
    QHash<QString, Card> states;       // by href
    QHash<qint64, QString> hrefOf;     // contact -> href
    QHash<qint64, ContactFields> rows; // the contact table now
    Result result;

    Impl(Database& d, DavClient& c) : db(d), client(c) {}

    SyncStore::Link linked() {
        const std::optional<SyncStore::Link> link = store.link();
        if (!link)
            throw DavError(DavError::Kind::NotFound,
                           QStringLiteral("The list is linked to no address book."));
        return *link;
    }

    void readRows() {
        rows.clear();
        db.guarded([&] {
            SQLite::Statement q(db.handle(),
                                ("SELECT rowid," + columnList() + " FROM pName2").toStdString());
            while (q.executeStep()) {
                ContactFields f;
                for (int i = 0; i < Fields; ++i)
                    f.values[size_t(i)] = QString::fromUtf8(q.getColumn(i + 1).getText());
                rows.insert(q.getColumn(0).getInt64(), f);
            }
        });
    }
    void bindFields(SQLite::Statement& q, const ContactFields& f) {
        for (int i = 0; i < Fields; ++i) {
            if (f.values[size_t(i)].isEmpty())
                q.bind(i + 1);
            else
                q.bind(i + 1, f.values[size_t(i)].toStdString());
        }
    }
    qint64 insertRow(const ContactFields& f) {
        static const std::string sql = [] {
            QStringList marks;
            for (int i = 0; i < Fields; ++i)
                marks << QStringLiteral("?");
            return ("INSERT INTO pName2 (" + columnList() + ") VALUES (" + marks.join(u',') + ")")
                .toStdString();
        }();
        return db.guarded([&] {
            // Kept prepared: a first sync inserts thousands of contacts.
            SQLite::Statement& q = db.prepared(sql);
            bindFields(q, f);
            q.exec();
            const qint64 id = db.handle().getLastInsertRowid();
            rows.insert(id, f);
            return id;
        });
    }
    void updateRow(qint64 id, const ContactFields& f) {
        static const std::string sql = [] {
            QStringList sets;
            for (const char* c : ContactFields::columns)
                sets << QLatin1String(c) + QStringLiteral("=?");
            return ("UPDATE pName2 SET " + sets.join(u',') + " WHERE rowid=?").toStdString();
        }();
        db.guarded([&] {
            // Kept prepared: a first sync may merge thousands of contacts.
            SQLite::Statement& q = db.prepared(sql);
            bindFields(q, f);
            q.bind(Fields + 1, static_cast<int64_t>(id));
            q.exec();
            rows.insert(id, f);
        });
    }
    void deleteRow(qint64 id) {
        db.guarded([&] {
            SQLite::Statement q(db.handle(), "DELETE FROM pName2 WHERE rowid=?");
            q.bind(1, static_cast<int64_t>(id));
            q.exec();
            rows.remove(id);
        });
    }
    void keep(Card& c) {
        store.put(c);
        states.insert(c.href, c);
        if (c.contact)
            hrefOf.insert(*c.contact, c.href);
    }
    void forget(const QString& href) {
        const Card c = states.take(href);
        if (c.contact)
            hrefOf.remove(*c.contact);
        store.remove(href);
    }
    QString newHref() const {
        return bookPath + QUuid::createUuid().toString(QUuid::WithoutBraces) +
               QStringLiteral(".vcf");
    }

    // A local contact that the first meeting with the server takes for the card.
    // The contacts that had no card when the first card arrived, by name: a
    // first sync of a large list against a large book then finds each card's
    // partner at once instead of looking through the whole list.
    std::optional<QMultiHash<QString, qint64>> unlinkedByName;
    std::optional<qint64> partnerOf(const Read& r) {
        using F = ContactFields;
        if (!unlinkedByName) {
            unlinkedByName.emplace();
            for (auto it = rows.cbegin(); it != rows.cend(); ++it)
                if (!hrefOf.contains(it.key()))
                    unlinkedByName->insert(it.value()[F::Name].trimmed(), it.key());
        }
        if (unlinkedByName->isEmpty())
            return std::nullopt; // every contact here has its card already
        if (!r.uid.isEmpty())
            if (const std::optional<qint64> id = cardStore.contactOf(r.uid);
                id && rows.contains(*id) && !hrefOf.contains(*id))
                return id;
        const QString name = r.fields[F::Name].trimmed();
        for (auto it = unlinkedByName->constFind(name);
             it != unlinkedByName->cend() && it.key() == name; ++it) {
            if (hrefOf.contains(it.value()) || !rows.contains(it.value()))
                continue;
            const ContactFields& l = *rows.constFind(it.value());
            if (l[F::Name].trimmed() != name)
                continue;
            for (F::Field a : {F::Phone, F::CoPhone, F::Fax})
                for (F::Field b : {F::Phone, F::CoPhone, F::Fax})
                    if (same(l[a], r.fields[b]))
                        return it.value();
            if (same(l[F::Email], r.fields[F::Email]))
                return it.value();
        }
        return std::nullopt;
    }

    // A card as the server holds it now, against what this side holds.
    void applyRemote(const QString& href, const QString& etag, const QByteArray& data) {
        const std::optional<Read> read = readCard(data);
        if (!read) {
            ++result.unreadable;
            return;
        }
        const ContactFields& remote = read->fields;
        auto found = states.find(href);
        if (found == states.end()) {
            Card c{std::nullopt, href, etag, data, remote};
            const std::optional<qint64> partner = partnerOf(*read);
            if (partner) {
                const ContactFields local = rows.value(*partner);
                const std::optional<ContactFields> both = merged(nullptr, local, remote);
                c.contact = *partner;
                if (both) {
                    if (!sameValues(*both, local)) {
                        updateRow(*partner, *both);
                        ++result.received;
                    }
                } else {
                    // Both kept: the server's version stays the contact.
                    updateRow(*partner, remote);
                    insertRow(local);
                    ++result.conflicts;
                    ++result.received;
                }
            } else {
                c.contact = insertRow(remote);
                cardStore.keep(*c.contact, read->uid, data);
                ++result.received;
            }
            keep(c);
            return;
        }
        Card c = *found;
        if (c.etag == etag)
            return;
        const bool wasSent = c.sent();
        const std::optional<ContactFields> base = c.fields;
        c.etag = etag;
        c.card = data;
        c.fields = remote;
        if (!c.contact) {
            // Deleted here, changed there: the change is kept.
            if (wasSent) {
                c.contact = insertRow(remote);
                cardStore.keep(*c.contact, read->uid, data);
                ++result.received;
            } else {
                forget(href);
                return;
            }
        } else if (!wasSent || !base) {
            // Our own card arrived before a sync was killed: it is taken as
            // sent; what differs from it goes out next.
        } else {
            const ContactFields local = rows.value(*c.contact);
            if (sameValues(local, *base)) {
                if (!sameValues(local, remote)) {
                    updateRow(*c.contact, remote);
                    ++result.received;
                }
            } else if (const std::optional<ContactFields> both = merged(&*base, local, remote)) {
                if (!sameValues(*both, local)) {
                    updateRow(*c.contact, *both);
                    ++result.received;
                }
            } else {
                updateRow(*c.contact, remote);
                insertRow(local);
                ++result.conflicts;
                ++result.received;
            }
        }
        keep(c);
    }

    void applyRemoved(const QString& href) {
        const auto found = states.constFind(href);
        if (found == states.cend() || !found->sent())
            return;
        Card c = *found;
        if (!c.contact) {
            forget(href);
            return;
        }
        const ContactFields local = rows.value(*c.contact);
        if (c.fields && sameValues(local, *c.fields)) {
            forget(href);
            deleteRow(*c.contact);
            ++result.received;
            return;
        }
        // Edited here, deleted there: the edit goes back as a new card.
        forget(href);
        keep(c = Card{c.contact, newHref(), {}, c.card, std::nullopt});
    }

    // The book's changes since the token, or all its cards with no token; false
    // when the server turned out not to report changes, if that was not known.
    bool syncsUnknown = false; // the server was not asked whether it reports changes
    bool changesOf(const QString& since, QList<DavClient::Change>& changed, QStringList& removed,
                   QString& token, bool& listed) {
        const bool mayFail = std::exchange(syncsUnknown, false);
        DavClient::Changes changes;
        try {
            if (since.isEmpty() || !client.syncCollection(book, since, changes)) {
                client.syncCollection(book, QString(), changes);
                listed = true;
            }
        } catch (const DavError& e) {
            if (!mayFail || e.kind() != DavError::Kind::Status)
                throw;
            return false;
        }
        changed = std::move(changes.changed);
        removed = std::move(changes.removed);
        token = changes.token;
        return true;
    }

    void receive(const DavClient::BookState& state, const Progress& progress, int& done,
                 int& total) {
        const SyncStore::Link link = linked();
        QList<DavClient::Change> changed;
        QStringList removed;
        QString token = link.token;
        QString ctag = state.ctag;
        bool listed = false;
        if (!state.ctag.isEmpty() && state.ctag == link.ctag) {
            // Nothing changed since: the ctag changes with every card.
        } else if (state.syncs && changesOf(link.token, changed, removed, token, listed)) {
        } else {
            // The ctag, when not asked yet, is asked before the listing: a
            // card changed meanwhile then shows at the next sync.
            if (ctag.isEmpty())
                ctag = client.bookState(book).ctag;
            changed = client.listCards(book);
            listed = true;
        }
        if (listed) {
            QSet<QString> present;
            for (const DavClient::Change& c : changed)
                present.insert(c.href);
            for (const Card& c : std::as_const(states))
                if (c.sent() && !present.contains(c.href))
                    removed.append(c.href);
        }
        // Cards that came with the changes are taken as they are; the others
        // are fetched in batches.
        QList<DavClient::Card> arrived;
        QStringList wanted;
        for (DavClient::Change& c : changed) {
            if (states.value(c.href).etag == c.etag)
                continue;
            if (c.data.isEmpty())
                wanted.append(c.href);
            else
                arrived.append(std::move(c));
        }
        changed.clear();
        total += int(arrived.size() + wanted.size() + removed.size());
        if (progress && total > done)
            progress(done, total);
        const auto apply = [&](const QList<DavClient::Card>& cards) {
            for (qsizetype start = 0; start < cards.size(); start += DavClient::MultigetBatch) {
                const qsizetype end = std::min(cards.size(), start + DavClient::MultigetBatch);
                db.guarded([&] {
                    SQLite::Transaction t(db.handle());
                    for (qsizetype i = start; i < end; ++i)
                        applyRemote(cards.at(i).href, cards.at(i).etag, cards.at(i).data);
                    t.commit();
                });
                done += int(end - start);
                if (progress)
                    progress(done, total);
            }
        };
        apply(arrived);
        arrived.clear();
        for (qsizetype start = 0; start < wanted.size(); start += DavClient::MultigetBatch)
            apply(client.fetch(book, wanted.mid(start, DavClient::MultigetBatch)));
        db.guarded([&] {
            SQLite::Transaction t(db.handle());
            for (const QString& href : std::as_const(removed))
                applyRemoved(href);
            store.saveProgress(token, ctag, QString());
            t.commit();
        });
        done += int(removed.size());
    }

    QByteArray cardFor(const Card& c, const ContactFields& fields, qint64 contact) {
        // A card the server holds keeps its own UID: a server may refuse a
        // card whose UID changed, and other devices know the card by it.
        if (const std::optional<Read> held = c.card.isEmpty() ? std::nullopt : readCard(c.card);
            held && !held->uid.isEmpty())
            return VCardWriter::merged(c.card, VCardReader::AddressChoice::Preferred, fields,
                                       held->uid);
        const std::optional<CardStore::Entry> entry = cardStore.find(contact);
        QString uid = entry ? entry->uid : QString();
        if (uid.isEmpty())
            uid = cardStore.ensureUids({contact}).value(contact);
        if (!c.card.isEmpty())
            return VCardWriter::merged(c.card, VCardReader::AddressChoice::Preferred, fields, uid);
        if (entry && !entry->card.isEmpty())
            return VCardWriter::merged(entry->card,
                                       entry->homeAddress ? VCardReader::AddressChoice::Home
                                                          : VCardReader::AddressChoice::Preferred,
                                       fields, uid);
        return VCardWriter::card(fields, uid);
    }

    void refetch(const QString& href) {
        const QList<DavClient::Card> now = client.fetch(book, {href});
        db.guarded([&] {
            SQLite::Transaction t(db.handle());
            if (now.isEmpty())
                applyRemoved(href);
            else
                applyRemote(href, now.first().etag, now.first().data);
            t.commit();
        });
    }

    // The card fetched again and merged; returns where the contact's card is now.
    QString refetched(const QString& href, std::optional<qint64> contact) {
        refetch(href);
        if (!states.contains(href) && contact && hrefOf.contains(*contact))
            return hrefOf.value(*contact);
        return href;
    }

    // Sends what changed here for one card; a card changed on the server
    // meanwhile is fetched and merged first.
    void send(QString href) {
        for (int attempt = 0; attempt < MaxTries; ++attempt) {
            if (!states.contains(href))
                return;
            const Card c = states.value(href);
            if (!c.contact) {
                if (c.sent() || attempt == 0) {
                    DavClient::Reply r = client.send(
                        "DELETE", client.cardUrl(href), {},
                        c.sent() ? QList<std::pair<QByteArray, QByteArray>>{{"If-Match",
                                                                             c.etag.toUtf8()}}
                                 : QList<std::pair<QByteArray, QByteArray>>{});
                    if (r.status == 412) {
                        href = refetched(href, c.contact);
                        continue;
                    }
                    if (r.status / 100 != 2 && r.status != 404)
                        throw DavError(
                            DavError::Kind::Status,
                            QStringLiteral("The server answered %1 to a deletion.").arg(r.status),
                            r.status);
                    if (c.sent())
                        ++result.sent;
                }
                db.guarded([&] { forget(href); });
                return;
            }
            const ContactFields local = rows.value(*c.contact);
            if (c.sent() && c.fields && sameValues(local, *c.fields))
                return;
            const QByteArray body = cardFor(c, local, *c.contact);
            QList<std::pair<QByteArray, QByteArray>> headers{
                {"Content-Type", "text/vcard; charset=utf-8"}};
            headers.append(c.sent() ? std::pair<QByteArray, QByteArray>{"If-Match", c.etag.toUtf8()}
                                    : std::pair<QByteArray, QByteArray>{"If-None-Match", "*"});
            const DavClient::Reply r = client.send("PUT", client.cardUrl(href), body, headers);
            if (r.status == 412) {
                href = refetched(href, c.contact);
                continue;
            }
            if (r.status == 409 || r.status == 403 || r.status == 415) {
                // This card only is refused (a server's own rule); it stays
                // here as it is and is offered again at the next sync.
                ++result.refused;
                return;
            }
            if (r.status / 100 != 2)
                throw DavError(DavError::Kind::Status,
                               QStringLiteral("The server refused a card (%1): %2")
                                   .arg(r.status)
                                   .arg(QString::fromUtf8(r.body.left(200))),
                               r.status);
            Card sent = c;
            sent.card = body;
            sent.fields = local;
            sent.etag = r.etag;
            if (sent.etag.isEmpty()) {
                const QList<DavClient::Card> now = client.fetch(book, {href});
                if (!now.isEmpty())
                    sent.etag = now.first().etag;
            }
            db.guarded([&] {
                SQLite::Transaction t(db.handle());
                keep(sent);
                t.commit();
            });
            ++result.sent;
            if (!c.sent())
                ++result.created;
            return;
        }
    }

    void sendAll(const Progress& progress, int& done, int& total) {
        QStringList work;
        for (const Card& c : std::as_const(states))
            if (!c.contact || !c.sent() || !c.fields ||
                !sameValues(rows.value(*c.contact), *c.fields))
                work.append(c.href);
        QList<qint64> fresh;
        for (auto it = rows.cbegin(); it != rows.cend(); ++it)
            if (!hrefOf.contains(it.key()))
                fresh.append(it.key());
        if (!fresh.isEmpty()) {
            // Each new card's name is recorded before it is sent.
            const QHash<qint64, QString> uids = cardStore.ensureUids(fresh);
            db.guarded([&] {
                SQLite::Transaction t(db.handle());
                for (qint64 id : std::as_const(fresh)) {
                    QString href = bookPath + plainName(uids.value(id)) + QStringLiteral(".vcf");
                    if (states.contains(href))
                        href = newHref();
                    Card c{id, href, {}, {}, std::nullopt};
                    keep(c);
                    work.append(href);
                }
                t.commit();
            });
        }
        total += int(work.size());
        if (progress && total > done)
            progress(done, total);
        for (const QString& href : std::as_const(work)) {
            send(href);
            if (progress)
                progress(++done, total);
        }
    }
};

SyncEngine::SyncEngine(Database& list, DavClient& client) : list_(list), client_(client) {}

SyncEngine::Result SyncEngine::run(const Progress& progress) {
    Impl s(list_, client_);
    const SyncStore::Link link = s.linked();
    s.book = QUrl(link.book);
    s.bookPath = DavClient::pathOf(s.book);
    // The list is read while the server says whether its book changed: a
    // sync with nothing to do then takes little more than that one answer.
    std::exception_ptr unread;
    std::thread reader([&] {
        try {
            s.states = s.store.cards();
            for (const Card& c : std::as_const(s.states))
                if (c.contact)
                    s.hrefOf.insert(*c.contact, c.href);
            s.readRows();
        } catch (...) {
            unread = std::current_exception();
        }
    });
    // A list never synced has no ctag to compare with: the book is asked for
    // its cards at once (the ctag alone may take a large book's server long).
    DavClient::BookState state;
    if (!link.token.isEmpty() || !link.ctag.isEmpty()) {
        try {
            state = client_.bookState(s.book);
        } catch (...) {
            reader.join();
            throw;
        }
    } else {
        state.syncs = s.syncsUnknown = true;
    }
    reader.join();
    if (unread)
        std::rethrow_exception(unread);
    int done = 0;
    int total = 0;
    s.receive(state, progress, done, total);
    const int created = s.result.created;
    s.sendAll(progress, done, total);
    // The book's changes since are looked at once more: the new token then
    // covers the cards just sent, so a server that reports only the
    // difference between two states still reports their later removal.
    if (s.result.created > created)
        s.receive(client_.bookState(s.book), progress, done, total);
    const SyncStore::Link now = s.linked();
    s.store.saveProgress(now.token, now.ctag,
                         QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    return s.result;
}
