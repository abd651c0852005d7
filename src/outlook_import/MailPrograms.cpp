// SPDX-License-Identifier: GPL-3.0-or-later
#include "outlook_import/MailPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

AddressBookPlace thunderbirdPlace(const QString& path) {
    return {AddressBookPlace::Kind::Thunderbird, path, QStringLiteral("Personal Address Book"),
            QStringLiteral("Thunderbird")};
}

AddressBookPlace evolutionPlace(const QString& path) {
    return {AddressBookPlace::Kind::Evolution, path, QStringLiteral("Personal"),
            QStringLiteral("Evolution")};
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

// The Personal Address Book of Thunderbird's profile in use, or empty; the
// folder the desktop id belongs to (Flatpak, Snap) is looked at first.
QString thunderbirdBook(const QString& desktopId) {
    for (const QString& root : thunderbirdRoots(desktopId)) {
        const QString profile = profileInUse(root);
        if (!profile.isEmpty() && isFile(profile + QStringLiteral("/abook.sqlite")))
            return profile + QStringLiteral("/abook.sqlite");
    }
    return {};
}

// Evolution's (and GNOME Contacts') "Personal" book, or empty.
QString evolutionBook() {
    const QString path = dataHome() + QStringLiteral("/evolution/addressbook/system/contacts.db");
    return isFile(path) ? path : QString();
}

} // namespace

QList<AddressBookPlace> addressBooks() {
    const QString id = defaultMailProgram();
    QList<AddressBookPlace> books;
    const QString thunderbird = thunderbirdBook(id);
    const QString evolution = evolutionBook();
    if (!thunderbird.isEmpty())
        books << thunderbirdPlace(thunderbird);
    if (!evolution.isEmpty()) {
        if (evolutionIds.contains(id))
            books.prepend(evolutionPlace(evolution));
        else
            books << evolutionPlace(evolution);
    }
    return books;
}

} // namespace MailPrograms
