// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/MailStore.h"

#include "vcard/VCardReader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

#include <QFile>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace {

// What a file looked like when it was read; a file that still looks so is not read again.
struct Stamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const struct stat& info) {
    return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

struct CachedFile {
    QString fileName;
    Stamp stamp;
    QList<ContactCard> cards;
};

struct CachedFolder {
    Stamp folderStamp; // the folder's own: it changes when a file is added, removed or renamed
    std::vector<CachedFile> files;
    std::shared_ptr<const MailFolder> snapshot;
};

// Folders already read, keyed by absolute path; shared by every MailStore.
QHash<QString, CachedFolder>& cache() {
    static QHash<QString, CachedFolder> folders;
    return folders;
}
int filesParsed = 0;

bool nameLess(const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

QStringList subfolders(const QString& path) {
    if (path.isEmpty())
        return {};
    QStringList names = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(names.begin(), names.end(), nameLess);
    return names;
}

bool isPlainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\');
}

// The subfolder called `name` (exact spelling first, then ignoring case).
QString findSubfolder(const QString& parent, const QString& name) {
    if (!isPlainName(name))
        return {};
    const QStringList names = subfolders(parent);
    if (names.contains(name))
        return name;
    for (const QString& candidate : names) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return {};
}

std::optional<Stamp> stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return stampOf(info);
}

struct Entry {
    QString folded; // sort key: the name without regard to case
    QString name;
    Stamp stamp;
};

// The regular .vcf files of a folder (links followed) in name order.
std::vector<Entry> listCardFiles(const QString& path, Stamp& folderStamp) {
    std::vector<Entry> entries;
    DIR* dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir)
        return entries;
    const int fd = ::dirfd(dir);
    struct stat info {};
    // Taken before reading the names, so a change made meanwhile shows next time.
    if (::fstat(fd, &info) == 0)
        folderStamp = stampOf(info);
    while (const dirent* d = ::readdir(dir)) {
        const qsizetype length = qsizetype(std::strlen(d->d_name));
        if (length < 4 || qstrnicmp(d->d_name + length - 4, ".vcf", 4) != 0)
            continue;
        if (::fstatat(fd, d->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        Entry entry;
        entry.name = QFile::decodeName(QByteArray(d->d_name, length));
        entry.folded = entry.name.toCaseFolded();
        entry.stamp = stampOf(info);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.folded != b.folded ? a.folded < b.folded : a.name < b.name;
    });
    return entries;
}

std::shared_ptr<const MailFolder> loadFolder(const QString& path, const QString& name,
                                             const MailStore::Progress& progress) {
    Stamp folderStamp;
    const std::vector<Entry> entries = listCardFiles(path, folderStamp);

    // Taken out of the cache while the files are read, so that whatever runs
    // during a progress report finds a consistent (if empty) cache.
    CachedFolder cached = std::move(cache()[path]);
    cache().remove(path);
    QHash<QString, qsizetype> previous;
    previous.reserve(qsizetype(cached.files.size()));
    for (qsizetype i = 0; i < qsizetype(cached.files.size()); ++i)
        previous.insert(cached.files[size_t(i)].fileName, i);

    bool changed = !cached.snapshot || cached.snapshot->name() != name ||
                   entries.size() != cached.files.size();
    std::vector<CachedFile> files;
    files.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        if (progress)
            progress(qsizetype(i), qsizetype(entries.size()));
        CachedFile file{entries[i].name, entries[i].stamp, {}};
        const auto old = previous.constFind(file.fileName);
        if (old != previous.constEnd() && cached.files[size_t(*old)].stamp == file.stamp) {
            file.cards = cached.files[size_t(*old)].cards;
            changed = changed || size_t(*old) != i;
        } else {
            changed = true;
            file.cards = VCardReader::readFile(path + u'/' + file.fileName);
            ++filesParsed;
        }
        files.push_back(std::move(file));
    }
    cached.folderStamp = folderStamp;
    if (changed) {
        QList<QList<ContactCard>> parts;
        parts.reserve(qsizetype(files.size()));
        for (const CachedFile& file : files)
            parts.push_back(file.cards);
        cached.snapshot = std::make_shared<const MailFolder>(name, path, parts);
    }
    cached.files = std::move(files);
    const std::shared_ptr<const MailFolder> snapshot = cached.snapshot;
    cache().insert(path, std::move(cached));
    return snapshot;
}

} // namespace

MailStore::MailStore(QString root) : m_root(std::move(root)) {}

QString MailStore::defaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quillary/Mail");
}

QStringList MailStore::topLevelFolders() const {
    return subfolders(m_root);
}

QStringList MailStore::folders(const QString& topLevel) const {
    const QString top = findSubfolder(m_root, topLevel);
    if (top.isEmpty())
        return {};
    return subfolders(m_root + u'/' + top);
}

QString MailStore::folderPath(const QString& topLevel, const QString& name, QString& inner) const {
    if (m_root.isEmpty())
        return {};
    const QString top = findSubfolder(m_root, topLevel);
    if (top.isEmpty())
        return {};
    const QString topPath = m_root + u'/' + top;
    inner = findSubfolder(topPath, name);
    return inner.isEmpty() ? QString() : QDir(topPath + u'/' + inner).absolutePath();
}

std::shared_ptr<const MailFolder> MailStore::folder(const QString& topLevel,
                                                    const QString& name) const {
    QString inner;
    const QString path = folderPath(topLevel, name, inner);
    return path.isEmpty() ? nullptr : loadFolder(path, inner, m_progress);
}

std::shared_ptr<const MailFolder>
MailStore::folderHolding(const QString& topLevel, const QString& name, int position) const {
    QString inner;
    const QString path = folderPath(topLevel, name, inner);
    if (path.isEmpty())
        return nullptr;
    const auto known = cache().constFind(path);
    if (known != cache().constEnd() && known->snapshot && known->snapshot->name() == inner &&
        stampOf(path) == known->folderStamp) {
        const qsizetype file = known->snapshot->fileOf(position);
        if (file < 0 || stampOf(path + u'/' + known->files[size_t(file)].fileName) ==
                            known->files[size_t(file)].stamp)
            return known->snapshot;
    }
    return loadFolder(path, inner, m_progress);
}

std::shared_ptr<const MailFolder> MailStore::defaultContactsFolder() const {
    const QString contacts = QStringLiteral("Contacts");
    for (const QString& top : topLevelFolders()) {
        if (auto found = folder(top, contacts))
            return found;
    }
    return nullptr;
}

QString MailStore::defaultContactsFolderName() const {
    const QString contacts = QStringLiteral("Contacts");
    for (const QString& top : topLevelFolders()) {
        const QString name = findSubfolder(m_root + u'/' + top, contacts);
        if (!name.isEmpty())
            return name;
    }
    return {};
}

int MailStore::parseCount() {
    return filesParsed;
}

void MailStore::clearCache() {
    cache().clear();
}

void MailStore::setProgress(Progress progress) {
    m_progress = std::move(progress);
}
