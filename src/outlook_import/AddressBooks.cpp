// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/AddressBooks.h"

#include "outlook_import/AddressBookReaders.h"

#include <QFile>
#include <QHash>

#include <array>
#include <exception>

#include <sys/stat.h>

namespace AddressBooks {
namespace {

struct FileLook {
    qint64 size = -1, modifiedNs = 0, inode = 0;
    bool operator==(const FileLook&) const = default;
};
// The database, its -wal and its -journal.
using BookLook = std::array<FileLook, 3>;

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

struct CachedBook {
    BookLook look;
    Reading reading;
};

QHash<QString, CachedBook>& cache() {
    static QHash<QString, CachedBook> books;
    return books;
}

} // namespace

Reading read(const AddressBookPlace& place) {
    const BookLook look = lookOf(place.path);
    const auto known = cache().constFind(place.path);
    if (known != cache().constEnd() && known->look == look &&
        (!known->reading.folder || known->reading.folder->name() == place.name))
        return known->reading;
    Reading reading;
    try {
        const QList<ContactCard> cards = place.kind == AddressBookPlace::Kind::Thunderbird
                                             ? AddressBookReaders::readThunderbird(place.path)
                                             : AddressBookReaders::readEvolution(place.path);
        reading.folder = std::make_shared<const MailFolder>(place.name, place.path, cards);
    } catch (const std::exception& e) {
        reading.failure = QString::fromUtf8(e.what());
    }
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
