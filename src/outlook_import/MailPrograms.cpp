// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/MailPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace MailPrograms {
namespace {

// One INI-style file: sections in file order, each with its keys in file order.
struct IniSection {
    QString name;
    QList<std::pair<QString, QString>> keys;
    QString value(const QString& key) const {
        for (const auto& [k, v] : keys)
            if (k == key)
                return v;
        return {};
    }
};

// Small text files only: a profile list or a mimeapps.list is a few kilobytes.
QList<IniSection> readIni(const QString& path) {
    QList<IniSection> sections;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return sections;
    const QByteArray data = file.read(1 << 20);
    for (const QByteArray& raw : data.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            sections.append({line.mid(1, line.size() - 2), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !sections.isEmpty())
            sections.last().keys.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return sections;
}

QString env(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString home() {
    return env("HOME", QDir::homePath());
}

// A colon-separated XDG search path; relative entries are ignored, as the
// XDG rules ask.
QStringList searchPath(const char* name, const QString& fallback) {
    QStringList out;
    for (const QString& dir : env(name, fallback).split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            out << dir;
    return out;
}

QString dataHome() {
    const QString dir = qEnvironmentVariable("XDG_DATA_HOME");
    return QDir::isAbsolutePath(dir) ? dir : home() + QStringLiteral("/.local/share");
}

QString configHome() {
    const QString dir = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(dir) ? dir : home() + QStringLiteral("/.config");
}

// The mimeapps.list files in the order the XDG rules read them; a desktop's
// own file comes before the shared one of each folder.
QStringList mimeappsFiles() {
    QStringList folders{configHome()};
    folders += searchPath("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    folders << dataHome() + QStringLiteral("/applications");
    for (const QString& dir :
         searchPath("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")))
        folders << dir + QStringLiteral("/applications");
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':', Qt::SkipEmptyParts);
    QStringList files;
    for (const QString& folder : folders) {
        for (const QString& desktop : desktops)
            files << folder + u'/' + desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    }
    return files;
}

const QStringList thunderbirdIds = {QStringLiteral("thunderbird.desktop"),
                                    QStringLiteral("org.mozilla.Thunderbird.desktop"),
                                    QStringLiteral("net.thunderbird.Thunderbird.desktop"),
                                    QStringLiteral("thunderbird_thunderbird.desktop")};
const QStringList evolutionIds = {QStringLiteral("org.gnome.Evolution.desktop"),
                                  QStringLiteral("org.gnome.Contacts.desktop")};

// Thunderbird's folders of profiles; the one the desktop id names comes first.
QStringList thunderbirdRoots(const QString& desktopId) {
    const QString h = home();
    QStringList roots{h + QStringLiteral("/.thunderbird"),
                      h + QStringLiteral("/.var/app/net.thunderbird.Thunderbird/.thunderbird"),
                      h + QStringLiteral("/.var/app/org.mozilla.Thunderbird/.thunderbird"),
                      h + QStringLiteral("/snap/thunderbird/common/.thunderbird")};
    // Root of each desktop id, in the order of thunderbirdIds.
    constexpr int rootOf[] = {0, 2, 1, 3};
    const qsizetype own = thunderbirdIds.indexOf(desktopId);
    if (own > 0)
        roots.move(rootOf[own], 0);
    return roots;
}

// The folder of the profile in use under one root: the install's default
// profile (installs.ini, else profiles.ini), else the one marked Default=1,
// else the only one.
QString profileInUse(const QString& root) {
    const QList<IniSection> profiles = readIni(root + QStringLiteral("/profiles.ini"));
    QList<const IniSection*> listed;
    for (const IniSection& s : profiles)
        if (s.name.startsWith(QLatin1String("Profile")))
            listed << &s;
    const auto folderOf = [&root](const IniSection& s) {
        const QString path = s.value(QStringLiteral("Path"));
        if (path.isEmpty())
            return QString();
        return s.value(QStringLiteral("IsRelative")) == QLatin1String("0") ||
                       (s.value(QStringLiteral("IsRelative")).isEmpty() &&
                        QDir::isAbsolutePath(path))
                   ? path
                   : root + u'/' + path;
    };
    const QList<IniSection> installs = readIni(root + QStringLiteral("/installs.ini"));
    for (const QList<IniSection>* file : {&installs, &profiles}) {
        for (const IniSection& s : *file) {
            if (file == &profiles && !s.name.startsWith(QLatin1String("Install")))
                continue;
            const QString path = s.value(QStringLiteral("Default"));
            if (path.isEmpty())
                continue;
            // The install names its profile by its Path as profiles.ini gives it.
            for (const IniSection* p : listed)
                if (p->value(QStringLiteral("Path")) == path)
                    return folderOf(*p);
            return QDir::isAbsolutePath(path) ? path : root + u'/' + path;
        }
    }
    for (const IniSection* p : listed)
        if (p->value(QStringLiteral("Default")) == QLatin1String("1"))
            return folderOf(*p);
    return listed.size() == 1 ? folderOf(*listed.first()) : QString();
}

bool isFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString cacheHome() {
    const QString dir = qEnvironmentVariable("XDG_CACHE_HOME");
    return QDir::isAbsolutePath(dir) ? dir : home() + QStringLiteral("/.cache");
}

// A JavaScript string literal's text, quotes removed.
QString unquoted(const QString& literal) {
    QString out;
    for (qsizetype i = 1; i + 1 < literal.size(); ++i) {
        QChar c = literal[i];
        if (c == u'\\' && i + 2 < literal.size()) {
            const QChar e = literal[++i];
            const int digits = e == u'u' ? 4 : e == u'x' ? 2 : 0;
            bool ok = false;
            const uint code = digits ? literal.mid(i + 1, digits).toUInt(&ok, 16) : 0;
            if (ok) {
                c = QChar(char16_t(code));
                i += digits;
            } else {
                c = e == u'n'   ? QChar(u'\n')
                    : e == u't' ? QChar(u'\t')
                    : e == u'r' ? QChar(u'\r')
                                : e;
            }
        }
        out += c;
    }
    return out;
}

// The address book settings of a profile, "ldap_2.servers.<id>.<key>" -> value,
// from prefs.js and then user.js, whose settings win.
QHash<QString, QHash<QString, QString>> bookSettings(const QString& profile) {
    // user_pref("ldap_2.servers.<id>.<key>", <"text" or a number or a truth value>);
    static const QRegularExpression line(
        QString::fromLatin1(R"re(^\s*(?:user_)?pref\(\s*"ldap_2\.servers\.([^".]+)\.([^"]+)"\s*,)re"
                            R"re(\s*("(?:[^"\\]|\\.)*"|[^)]*?)\s*\)\s*;)re"));
    QHash<QString, QHash<QString, QString>> books;
    for (const char* name : {"/prefs.js", "/user.js"}) {
        QFile file(profile + QLatin1String(name));
        if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& raw : file.read(16 << 20).split('\n')) {
            if (!raw.contains("ldap_2.servers."))
                continue;
            const QRegularExpressionMatch m = line.match(QString::fromUtf8(raw));
            if (!m.hasMatch())
                continue;
            const QString value = m.captured(3);
            books[m.captured(1)][m.captured(2)] = value.startsWith(u'"') ? unquoted(value) : value;
        }
    }
    return books;
}

// The address books of a Thunderbird profile: the Personal Address Book, the
// others by name, Collected Addresses last.
QList<AddressBookPlace> booksOfProfile(const QString& profile) {
    QHash<QString, QHash<QString, QString>> settings = bookSettings(profile);
    // The two books every profile has, unless its settings say otherwise.
    const std::pair<const char*, const char*> builtIn[] = {{"pab", "Personal Address Book"},
                                                           {"history", "Collected Addresses"}};
    for (const auto& [id, name] : builtIn) {
        QHash<QString, QString>& book = settings[QLatin1String(id)];
        if (!book.contains(QStringLiteral("filename")))
            book.insert(QStringLiteral("filename"), QLatin1String(id) == QLatin1String("pab")
                                                        ? QStringLiteral("abook.sqlite")
                                                        : QStringLiteral("history.sqlite"));
        if (book.value(QStringLiteral("description")).isEmpty() ||
            book.value(QStringLiteral("description")).startsWith(QLatin1String("chrome:")))
            book.insert(QStringLiteral("description"), QLatin1String(name));
    }
    QList<AddressBookPlace> books;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        const QString file = it->value(QStringLiteral("filename"));
        const QString path = profile + u'/' + file;
        if (!file.endsWith(QLatin1String(".sqlite")) || file.contains(u'/') ||
            it->value(QStringLiteral("uri")).startsWith(QLatin1String("ldap")) ||
            it->value(QStringLiteral("position")) == QLatin1String("0") || !isFile(path))
            continue;
        QString name = it->value(QStringLiteral("description"));
        if (name.isEmpty())
            name = file;
        books.append({AddressBookPlace::Kind::Thunderbird, path, name,
                      QStringLiteral("Thunderbird"), it.key() == QLatin1String("pab")});
    }
    const auto rank = [&profile](const AddressBookPlace& b) {
        return b.main ? 0 : b.path == profile + QStringLiteral("/history.sqlite") ? 2 : 1;
    };
    std::sort(books.begin(), books.end(),
              [&rank](const AddressBookPlace& a, const AddressBookPlace& b) {
                  if (rank(a) != rank(b))
                      return rank(a) < rank(b);
                  const int c = a.name.localeAwareCompare(b.name);
                  return c != 0 ? c < 0 : a.path < b.path;
              });
    return books;
}

bool enabled(const IniSection* source) {
    return !source || source->value(QStringLiteral("Enabled"))
                              .compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
}

// Evolution's (and GNOME Contacts') enabled address books, "Personal" first,
// then the others by name. Each source is a key file of the sources folder; a
// book's contacts are in its own folder (the built-in book's is "system").
QList<AddressBookPlace> evolutionBooks() {
    const QString sources = configHome() + QStringLiteral("/evolution/sources");
    const QString systemId = QStringLiteral("system-address-book");
    QHash<QString, QList<IniSection>> files;
    for (const QString& name : QDir(sources).entryList({QStringLiteral("*.source")}, QDir::Files))
        files.insert(name.chopped(7), readIni(sources + u'/' + name));
    const auto section = [&files](const QString& uid, const char* name) -> const IniSection* {
        const auto file = files.constFind(uid);
        if (file == files.constEnd())
            return nullptr;
        for (const IniSection& s : *file)
            if (s.name == QLatin1String(name))
                return &s;
        return nullptr;
    };
    QStringList uids = files.keys();
    if (!uids.contains(systemId))
        uids << systemId;
    QList<AddressBookPlace> books;
    for (const QString& uid : uids) {
        const IniSection* source = section(uid, "Data Source");
        const bool system = uid == systemId;
        if ((!system && !section(uid, "Address Book")) || !enabled(source))
            continue;
        // A book of an account is off while its account is.
        const QString parent = source ? source->value(QStringLiteral("Parent")) : QString();
        if (!parent.isEmpty() && files.contains(parent) && !enabled(section(parent, "Data Source")))
            continue;
        const QString folder = system ? QStringLiteral("system") : uid;
        QString path = dataHome() + QStringLiteral("/evolution/addressbook/") + folder +
                       QStringLiteral("/contacts.db");
        if (!isFile(path))
            path = cacheHome() + QStringLiteral("/evolution/addressbook/") + folder +
                   QStringLiteral("/contacts.db");
        if (!isFile(path))
            continue;
        QString name = source ? source->value(QStringLiteral("DisplayName")) : QString();
        if (name.isEmpty())
            name = system ? QStringLiteral("Personal") : uid;
        books.append(
            {AddressBookPlace::Kind::Evolution, path, name, QStringLiteral("Evolution"), system});
    }
    std::sort(books.begin(), books.end(), [](const AddressBookPlace& a, const AddressBookPlace& b) {
        if (a.main != b.main)
            return a.main;
        const int c = a.name.localeAwareCompare(b.name);
        return c != 0 ? c < 0 : a.path < b.path;
    });
    return books;
}

// The desktop id of the default mail program ("thunderbird.desktop"); empty
// when no mimeapps.list records one.
QString defaultMailProgram() {
    for (const QString& file : mimeappsFiles()) {
        for (const IniSection& s : readIni(file)) {
            if (s.name != QLatin1String("Default Applications"))
                continue;
            const QStringList ids =
                s.value(QStringLiteral("x-scheme-handler/mailto")).split(u';', Qt::SkipEmptyParts);
            if (!ids.isEmpty())
                return ids.first().trimmed();
        }
    }
    return {};
}

// The books of Thunderbird's profile in use; the folder the desktop id belongs
// to (Flatpak, Snap) is looked at first, and the first profile with books wins.
QList<AddressBookPlace> thunderbirdBooks(const QString& desktopId) {
    for (const QString& root : thunderbirdRoots(desktopId)) {
        const QString profile = profileInUse(root);
        if (profile.isEmpty())
            continue;
        const QList<AddressBookPlace> books = booksOfProfile(profile);
        if (!books.isEmpty())
            return books;
    }
    return {};
}

} // namespace

QList<AddressBookPlace> addressBooks() {
    const QString id = defaultMailProgram();
    const QList<AddressBookPlace> thunderbird = thunderbirdBooks(id);
    const QList<AddressBookPlace> evolution = evolutionBooks();
    return evolutionIds.contains(id) ? evolution + thunderbird : thunderbird + evolution;
}

} // namespace MailPrograms
