// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/AddressBookReaders.h"

#include "vcard/VCardReader.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QUrl>
#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace AddressBookReaders {
namespace {

// How long a reader waits for the address book service to finish a write.
constexpr int busyTimeoutMs = 5000;

[[noreturn]] void fail(const QString& why) {
    throw std::runtime_error(why.toStdString());
}

// Copies one file by reading it: reading takes no lock and changes nothing.
// Returns false when the file does not exist.
bool copyFile(const QString& from, const QString& to) {
    if (!QFileInfo::exists(from))
        return false;
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        fail(in.errorString());
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(out.errorString());
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.write(chunk) != chunk.size())
            fail(out.errorString());
    }
    if (in.error() != QFileDevice::NoError)
        fail(in.errorString());
    return true;
}

// The book copied into dir as "book.sqlite" with its -wal and -journal, so that
// opening the copy sees every change the program made, finished or rolled back.
QString copyBook(const QString& path, const QTemporaryDir& dir) {
    if (!dir.isValid())
        fail(QStringLiteral("no temporary folder for a copy: %1").arg(dir.errorString()));
    const QString copy = dir.filePath(QStringLiteral("book.sqlite"));
    for (int attempt = 0; attempt < 5; ++attempt) {
        const BookLook before = lookOf(path);
        QFile::remove(copy + QStringLiteral("-wal"));
        QFile::remove(copy + QStringLiteral("-journal"));
        if (!copyFile(path, copy))
            fail(QStringLiteral("the file is missing"));
        copyFile(path + QStringLiteral("-wal"), copy + QStringLiteral("-wal"));
        copyFile(path + QStringLiteral("-journal"), copy + QStringLiteral("-journal"));
        if (lookOf(path) == before)
            break;
    }
    return copy;
}

// A column's bytes, NUL bytes included.
QByteArray bytesOf(const SQLite::Column& column) {
    const auto* data = static_cast<const char*>(column.getBlob());
    return QByteArray(data, column.getBytes());
}

// The same bytes, not copied: valid until the statement steps on.
QByteArray viewOf(const SQLite::Column& column) {
    return QByteArray::fromRawData(static_cast<const char*>(column.getBlob()), column.getBytes());
}

// Whether a column can hold a card at all: text or bytes, not NULL or a number.
bool holdsText(const SQLite::Column& column) {
    return column.isText() || column.isBlob();
}

// The first card of a book's vCard text; none when the text holds no card.
std::optional<ContactCard> cardOfVCard(const QByteArray& vcard,
                                       VCardReader::Part part = VCardReader::Part::Whole) {
    if (vcard.trimmed().isEmpty())
        return std::nullopt;
    const QList<ContactCard> cards = VCardReader::readData(vcard, VCardReader::AddressChoice::Home,
                                                           VCardReader::Encoding::Utf8, part);
    if (cards.isEmpty())
        return std::nullopt;
    return cards.first();
}

struct Properties {
    QHash<QString, QByteArray> values;
    QString value(const char* name) const {
        return VCardReader::shownUtf8(values.value(QLatin1String(name)));
    }
};

// The listed name of a card stored as separate properties.
QString nameOf(const QString& displayName, const QString& first, const QString& last,
               const QString& company, const QString& email) {
    const QString name = (first.trimmed() + u' ' + last.trimmed()).trimmed();
    if (!displayName.trimmed().isEmpty())
        return displayName;
    if (!name.isEmpty())
        return name;
    if (!company.trimmed().isEmpty())
        return company.trimmed();
    return email;
}

// A card stored as separate properties (older books, and some current cards).
ContactCard fromProperties(const Properties& p) {
    ContactCard card;
    card.fn = p.value("DisplayName");
    card.email = p.value("PrimaryEmail").trimmed();
    // The home address, else the work address.
    const char* home[] = {"HomeAddress", "HomeCity", "HomeState", "HomeZipCode"};
    const char* work[] = {"WorkAddress", "WorkCity", "WorkState", "WorkZipCode"};
    const bool hasHome = std::any_of(std::begin(home), std::end(home),
                                     [&p](const char* name) { return !p.value(name).isEmpty(); });
    const char* const* address = hasHome ? home : work;
    card.street = VCardReader::firstLine(p.value(address[0]));
    card.mailingAddress = p.value(address[0]);
    card.city = p.value(address[1]);
    card.region = p.value(address[2]);
    card.postalCode = p.value(address[3]);
    card.homePhone = p.value("HomePhone").trimmed();
    card.displayValue =
        nameOf(card.fn, p.value("FirstName"), p.value("LastName"), p.value("Company"), card.email);
    return card;
}

// The whole cards of a listed book, read from the database the listing read.
class BookDetails : public CardDetails {
public:
    using Read = ContactCard (*)(SQLite::Database&, qint64 key);
    BookDetails(std::unique_ptr<QTemporaryDir> copyDir, std::unique_ptr<SQLite::Database> db,
                Read read)
        : m_copyDir(std::move(copyDir)), m_db(std::move(db)), m_read(read) {}

    ContactCard card(qsizetype index) const override {
        return m_read(*m_db, keys.at(size_t(index)));
    }
    std::vector<qint64> keys; // the row each contact is read from, in list order

private:
    std::unique_ptr<QTemporaryDir> m_copyDir; // the copy read, removed after the database closes
    std::unique_ptr<SQLite::Database> m_db;
    Read m_read;
};

// The properties a Thunderbird card is read from.
constexpr const char* thunderbirdNames =
    "('_vCard', 'DisplayName', 'FirstName', 'LastName', 'Company', 'PrimaryEmail', "
    "'HomeAddress', 'HomeCity', 'HomeState', 'HomeZipCode', 'HomePhone', 'WorkAddress', "
    "'WorkCity', 'WorkState', 'WorkZipCode')";

// The whole card whose property stands in row key.
ContactCard thunderbirdCard(SQLite::Database& db, qint64 key) {
    // (+name: found through the card, not through all cards' names.)
    SQLite::Statement rows(db, std::string("SELECT name, value FROM properties WHERE card = "
                                           "(SELECT card FROM properties WHERE rowid = ?) "
                                           "AND +name IN ") +
                                   thunderbirdNames + " ORDER BY rowid");
    rows.bind(1, static_cast<int64_t>(key));
    // As the list is made: the first of each property, the first _vCard that
    // holds a card.
    Properties p;
    while (rows.executeStep()) {
        const QString name = QString::fromUtf8(bytesOf(rows.getColumn(0)));
        const SQLite::Column value = rows.getColumn(1);
        if (name == QLatin1String("_vCard")) {
            if (const auto card = holdsText(value) ? cardOfVCard(viewOf(value)) : std::nullopt)
                return *card;
        } else if (!p.values.contains(name)) {
            p.values.insert(name, bytesOf(value));
        }
    }
    return fromProperties(p);
}

// The contacts of an open Thunderbird book: one per properties.card, in the
// order the cards were first stored.
void listThunderbird(SQLite::Database& db, BookListing& out, std::vector<qint64>& keys) {
    // The properties the list is made of, by number: _vCard, else the others.
    enum { VCard, DisplayName, FirstName, LastName, Company, PrimaryEmail, Count };
    SQLite::Statement rows(db, "SELECT card, CASE name WHEN '_vCard' THEN 0 "
                               "WHEN 'DisplayName' THEN 1 WHEN 'FirstName' THEN 2 "
                               "WHEN 'LastName' THEN 3 WHEN 'Company' THEN 4 ELSE 5 END, "
                               "value, rowid FROM properties NOT INDEXED WHERE name IN ('_vCard', "
                               "'DisplayName', 'FirstName', 'LastName', 'Company', "
                               "'PrimaryEmail') ORDER BY rowid");
    // What is kept of each card while the book is read: its listed values
    // from _vCard, else the properties they are made of.
    struct Pending {
        std::string id; // properties.card
        qint64 key = 0;
        bool hasVCard = false;
        bool fromVCard = false;
        bool merged = false; // its properties belong to a card seen before
        ContactCard card;
        std::unique_ptr<std::array<std::optional<QByteArray>, Count>> properties;
    };
    // One entry per run of rows of one card; a card's rows mostly follow each
    // other, and the runs of a card that come back later are merged below.
    std::vector<Pending> cards;
    while (rows.executeStep()) {
        const SQLite::Column cardColumn = rows.getColumn(0);
        const std::string_view card(static_cast<const char*>(cardColumn.getBlob()),
                                    size_t(cardColumn.getBytes()));
        if (cards.empty() || card != cards.back().id) {
            Pending& added = cards.emplace_back();
            added.id = card;
            added.key = rows.getColumn(3).getInt64();
        }
        Pending& pending = cards.back();
        if (pending.fromVCard)
            continue;
        const int name = rows.getColumn(1).getInt();
        const SQLite::Column value = rows.getColumn(2);
        if (name == VCard) {
            pending.hasVCard = true;
            if (holdsText(value)) {
                if (const auto parsed = cardOfVCard(viewOf(value), VCardReader::Part::Listed)) {
                    pending.card = *parsed;
                    pending.fromVCard = true;
                    pending.properties.reset();
                }
            }
            continue;
        }
        if (!pending.properties)
            pending.properties = std::make_unique<std::array<std::optional<QByteArray>, Count>>();
        std::optional<QByteArray>& property = (*pending.properties)[size_t(name)];
        if (!property)
            property = bytesOf(value);
    }
    // Runs of one card, in stored order, merged into its first: its first
    // _vCard that holds a card wins, else the first of each property.
    std::vector<size_t> byId(cards.size());
    for (size_t i = 0; i < byId.size(); ++i)
        byId[i] = i;
    std::stable_sort(byId.begin(), byId.end(),
                     [&cards](size_t a, size_t b) { return cards[a].id < cards[b].id; });
    for (size_t i = 1, first = 0; i < byId.size(); ++i) {
        Pending& later = cards[byId[i]];
        Pending& into = cards[byId[first]];
        if (later.id != into.id) {
            first = i;
            continue;
        }
        later.merged = true;
        into.hasVCard = into.hasVCard || later.hasVCard;
        if (into.fromVCard)
            continue;
        if (later.fromVCard) {
            into.card = std::move(later.card);
            into.fromVCard = true;
            into.properties.reset();
        } else if (later.properties) {
            if (!into.properties)
                into.properties = std::move(later.properties);
            else
                for (size_t k = 0; k < size_t(Count); ++k)
                    if (!(*into.properties)[k])
                        (*into.properties)[k] = std::move((*later.properties)[k]);
        }
    }
    out.contacts.reserve(qsizetype(cards.size()));
    for (Pending& pending : cards) {
        if (pending.merged)
            continue;
        if (!pending.fromVCard) {
            const auto value = [&pending](int name) {
                return pending.properties && (*pending.properties)[size_t(name)]
                           ? VCardReader::shownUtf8(*(*pending.properties)[size_t(name)])
                           : QString();
            };
            pending.card.email = value(PrimaryEmail).trimmed();
            pending.card.displayValue = nameOf(value(DisplayName), value(FirstName),
                                               value(LastName), value(Company), pending.card.email);
            if (pending.hasVCard && pending.card.displayValue.isEmpty()) {
                ++out.unreadable;
                continue;
            }
        }
        out.contacts << std::move(pending.card);
        keys.push_back(pending.key);
    }
}

ContactCard evolutionCard(SQLite::Database& db, qint64 key) {
    SQLite::Statement row(db, "SELECT vcard FROM \"folder_id\" WHERE rowid = ?");
    row.bind(1, static_cast<int64_t>(key));
    if (!row.executeStep())
        fail(QStringLiteral("the contact is no longer in the book"));
    const auto card = cardOfVCard(bytesOf(row.getColumn(0)));
    if (!card)
        fail(QStringLiteral("the contact holds no card"));
    return *card;
}

void listEvolution(SQLite::Database& db, BookListing& out, std::vector<qint64>& keys) {
    SQLite::Statement rows(db, "SELECT rowid, vcard FROM \"folder_id\" ORDER BY rowid");
    while (rows.executeStep()) {
        const SQLite::Column vcard = rows.getColumn(1);
        const auto card =
            holdsText(vcard) ? cardOfVCard(viewOf(vcard), VCardReader::Part::Listed) : std::nullopt;
        if (!card) {
            ++out.unreadable;
            continue;
        }
        out.contacts << *card;
        keys.push_back(rows.getColumn(0).getInt64());
    }
}

using List = void (*)(SQLite::Database&, BookListing&, std::vector<qint64>&);

BookListing listingOf(std::unique_ptr<QTemporaryDir> copyDir, std::unique_ptr<SQLite::Database> db,
                      List list, BookDetails::Read read) {
    BookListing out;
    std::vector<qint64> keys;
    list(*db, out, keys);
    auto details = std::make_shared<BookDetails>(std::move(copyDir), std::move(db), read);
    details->keys = std::move(keys);
    out.details = std::move(details);
    return out;
}

// The listing of a copy of the book at path; the copy is kept for its details.
BookListing readCopy(const QString& path, List list, BookDetails::Read read) {
    auto dir = std::make_unique<QTemporaryDir>();
    const QString copy = copyBook(path, *dir);
    // Opened for writing: reading a -wal needs an index file beside the copy.
    auto db = std::make_unique<SQLite::Database>(QFile::encodeName(copy).toStdString(),
                                                 SQLite::OPEN_READWRITE);
    return listingOf(std::move(dir), std::move(db), list, read);
}

} // namespace

BookLook lookOf(const QString& path) {
    BookLook look;
    const char* suffixes[] = {"", "-wal", "-journal"};
    for (size_t i = 0; i < look.size(); ++i) {
        struct stat info {};
        if (::stat((QFile::encodeName(path) + suffixes[i]).constData(), &info) == 0)
            look[i] = {qint64(info.st_size),
                       qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                       qint64(info.st_ino)};
    }
    return look;
}

BookListing readThunderbird(const QString& path) {
    return readCopy(path, listThunderbird, thunderbirdCard);
}

BookListing readEvolution(const QString& path) {
    if (!QFileInfo(path).isReadable())
        fail(QStringLiteral("the file cannot be opened for reading"));
    // A book kept in WAL mode cannot be read in place without an index file
    // beside it: such a book is read from a copy.
    // (Closed before SQLite opens the book: closing another handle of a file
    // would drop the locks SQLite holds on it.)
    QByteArray start;
    if (QFile header(path); header.open(QIODevice::ReadOnly))
        start = header.read(20);
    if (start.size() == 20 && start[18] == 2)
        return readCopy(path, listEvolution, evolutionCard);
    const QByteArray uri = "file:" + QUrl::toPercentEncoding(path, "/") + "?mode=ro";
    auto db = std::make_unique<SQLite::Database>(
        uri.constData(), SQLite::OPEN_READONLY | SQLite::OPEN_URI, busyTimeoutMs);
    return listingOf(nullptr, std::move(db), listEvolution, evolutionCard);
}

} // namespace AddressBookReaders
