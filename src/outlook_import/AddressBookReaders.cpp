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
#include <stdexcept>
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

QString text(const SQLite::Column& column) {
    return QString::fromUtf8(column.getText());
}

struct Properties {
    QHash<QString, QString> values;
    QString value(const char* name) const { return values.value(QLatin1String(name)); }
};

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
    const QString name =
        (p.value("FirstName").trimmed() + u' ' + p.value("LastName").trimmed()).trimmed();
    if (!card.fn.trimmed().isEmpty())
        card.displayValue = card.fn;
    else if (!name.isEmpty())
        card.displayValue = name;
    else if (!p.value("Company").trimmed().isEmpty())
        card.displayValue = p.value("Company").trimmed();
    else
        card.displayValue = card.email;
    return card;
}

ContactCard cardOf(const Properties& p) {
    const QString vcard = p.value("_vCard");
    if (!vcard.trimmed().isEmpty()) {
        const QList<ContactCard> cards =
            VCardReader::readData(vcard.toUtf8(), VCardReader::AddressChoice::Home);
        if (!cards.isEmpty())
            return cards.first();
    }
    return fromProperties(p);
}

// The contacts of an open Thunderbird book: one card per properties.card, in
// the order the cards were first stored.
QList<ContactCard> thunderbirdCards(SQLite::Database& db) {
    SQLite::Statement rows(db, "SELECT card, name, value FROM properties WHERE name IN "
                               "('_vCard', 'DisplayName', 'FirstName', 'LastName', 'Company', "
                               "'PrimaryEmail', 'HomeAddress', 'HomeCity', 'HomeState', "
                               "'HomeZipCode', 'HomePhone', 'WorkAddress', 'WorkCity', "
                               "'WorkState', 'WorkZipCode') ORDER BY rowid");
    std::vector<Properties> cards;
    QHash<QString, qsizetype> indexOf;
    while (rows.executeStep()) {
        const QString card = text(rows.getColumn(0));
        auto known = indexOf.constFind(card);
        if (known == indexOf.constEnd()) {
            known = indexOf.insert(card, qsizetype(cards.size()));
            cards.emplace_back();
        }
        cards[size_t(*known)].values.insert(text(rows.getColumn(1)), text(rows.getColumn(2)));
    }
    QList<ContactCard> out;
    out.reserve(qsizetype(cards.size()));
    for (const Properties& p : cards)
        out << cardOf(p);
    return out;
}

// The cards read from a copy of the book at path.
template <typename Read> QList<ContactCard> readCopy(const QString& path, Read read) {
    const QTemporaryDir dir;
    const QString copy = copyBook(path, dir);
    // Opened for writing: reading a -wal needs an index file beside the copy.
    SQLite::Database db(QFile::encodeName(copy).toStdString(), SQLite::OPEN_READWRITE);
    return read(db);
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

QList<ContactCard> readThunderbird(const QString& path) {
    return readCopy(path, thunderbirdCards);
}

QList<ContactCard> readEvolution(const QString& path) {
    if (!QFileInfo(path).isReadable())
        fail(QStringLiteral("the file cannot be opened for reading"));
    const auto readFrom = [](SQLite::Database& db) {
        SQLite::Statement rows(db, "SELECT vcard FROM \"folder_id\" ORDER BY rowid");
        QList<ContactCard> out;
        while (rows.executeStep()) {
            const QList<ContactCard> cards = VCardReader::readData(
                QByteArray(rows.getColumn(0).getText()), VCardReader::AddressChoice::Home);
            if (!cards.isEmpty())
                out << cards.first();
        }
        return out;
    };
    // A book kept in WAL mode cannot be read in place without an index file
    // beside it: such a book is read from a copy.
    // (Closed before SQLite opens the book: closing another handle of a file
    // would drop the locks SQLite holds on it.)
    QByteArray start;
    if (QFile header(path); header.open(QIODevice::ReadOnly))
        start = header.read(20);
    if (start.size() == 20 && start[18] == 2)
        return readCopy(path, readFrom);
    const QByteArray uri = "file:" + QUrl::toPercentEncoding(path, "/") + "?mode=ro";
    SQLite::Database db(uri.constData(), SQLite::OPEN_READONLY | SQLite::OPEN_URI, busyTimeoutMs);
    return readFrom(db);
}

} // namespace AddressBookReaders
