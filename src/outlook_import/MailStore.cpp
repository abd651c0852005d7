#include "outlook_import/MailStore.h"

#include "outlook_import/VCardReader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

namespace {

struct CachedFile {
    QString fileName;
    qint64 size = -1;
    qint64 modifiedMs = 0;
    QList<ContactCard> cards;
};

struct CachedFolder {
    std::vector<CachedFile> files;
    std::shared_ptr<const MailFolder> snapshot;
};

// Folders already read, keyed by absolute path; shared by every MailStore.
QMutex cacheMutex;
QHash<QString, CachedFolder>& cache() {
    static QHash<QString, CachedFolder> folders;
    return folders;
}
std::atomic<int> filesParsed{0};

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

std::shared_ptr<const MailFolder> loadFolder(const QString& path, const QString& name) {
    QFileInfoList entries = QDir(path).entryInfoList(QDir::Files | QDir::Hidden);
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const QFileInfo& info) {
                                     return !info.fileName().endsWith(QLatin1String(".vcf"),
                                                                      Qt::CaseInsensitive);
                                 }),
                  entries.end());
    std::sort(entries.begin(), entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return nameLess(a.fileName(), b.fileName());
    });

    QMutexLocker lock(&cacheMutex);
    CachedFolder& cached = cache()[path];
    QHash<QString, qsizetype> previous;
    for (qsizetype i = 0; i < qsizetype(cached.files.size()); ++i)
        previous.insert(cached.files[size_t(i)].fileName, i);

    bool changed = !cached.snapshot || cached.snapshot->name() != name ||
                   entries.size() != qsizetype(cached.files.size());
    std::vector<CachedFile> files;
    files.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QFileInfo& info = entries[i];
        CachedFile file;
        file.fileName = info.fileName();
        file.size = info.size();
        file.modifiedMs = info.lastModified().toMSecsSinceEpoch();
        const auto old = previous.constFind(file.fileName);
        if (old != previous.constEnd()) {
            const CachedFile& before = cached.files[size_t(*old)];
            if (before.size == file.size && before.modifiedMs == file.modifiedMs) {
                file.cards = before.cards;
                changed = changed || *old != i;
                files.push_back(std::move(file));
                continue;
            }
        }
        changed = true;
        file.cards = VCardReader::readFile(info.absoluteFilePath());
        ++filesParsed;
        files.push_back(std::move(file));
    }
    if (!changed)
        return cached.snapshot;

    QList<QList<ContactCard>> parts;
    parts.reserve(qsizetype(files.size()));
    for (const CachedFile& file : files)
        parts.push_back(file.cards);
    cached.files = std::move(files);
    cached.snapshot = std::make_shared<const MailFolder>(name, path, parts);
    return cached.snapshot;
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

std::shared_ptr<const MailFolder> MailStore::folder(const QString& topLevel,
                                                    const QString& name) const {
    if (m_root.isEmpty())
        return nullptr;
    const QString top = findSubfolder(m_root, topLevel);
    if (top.isEmpty())
        return nullptr;
    const QString topPath = m_root + u'/' + top;
    const QString inner = findSubfolder(topPath, name);
    if (inner.isEmpty())
        return nullptr;
    return loadFolder(QDir(topPath + u'/' + inner).absolutePath(), inner);
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
    return filesParsed.load();
}

void MailStore::clearCache() {
    QMutexLocker lock(&cacheMutex);
    cache().clear();
}
