// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/AddressBooks.h"

#include "outlook_import/AddressBookReaders.h"

#include <QHash>

#include <exception>
#include <utility>

namespace AddressBooks {
namespace {

struct CachedBook {
    AddressBookReaders::BookLook look;
    Reading reading;
};

QHash<QString, CachedBook>& cache() {
    static QHash<QString, CachedBook> books;
    return books;
}

} // namespace

Reading read(const AddressBookPlace& place) {
    const AddressBookReaders::BookLook look = AddressBookReaders::lookOf(place.path);
    const auto known = cache().constFind(place.path);
    if (known != cache().constEnd() && known->look == look &&
        (!known->reading.folder || known->reading.folder->name() == place.name))
        return known->reading;
    Reading reading;
    try {
        AddressBookReaders::BookListing book = place.kind == AddressBookPlace::Kind::Thunderbird
                                                   ? AddressBookReaders::readThunderbird(place.path)
                                                   : AddressBookReaders::readEvolution(place.path);
        reading.folder =
            std::make_shared<const MailFolder>(place.name, place.path, std::move(book.contacts),
                                               std::move(book.details), book.unreadable);
    } catch (const std::exception& e) {
        reading.failure = QString::fromUtf8(e.what());
    }
    // Only the book read last is kept (with its copy): looking at one book
    // after another holds one book's contacts, not all of them.
    if (reading.folder)
        cache().removeIf([](const auto& entry) { return entry.value().reading.folder != nullptr; });
    cache().insert(place.path, {look, reading});
    return reading;
}

QString failureMessage(const AddressBookPlace& place, const QString& reason) {
    return QStringLiteral("The address book '%1' of %2 cannot be read:\r\n%3\r\n(%4)\r\n\r\n"
                          "The contacts are read from the next address book instead.")
        .arg(place.name, place.program, place.path, reason);
}

void clearCache() {
    cache().clear();
}

} // namespace AddressBooks
