// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFolder.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString g_override;
QString g_chosen;

// The data files every application folder starts with.
const char* const seedFiles[] = {"Template.dat", "plist.ini", "AreaCodes.dat", "Quillary.mdb"};

QStringList listFiles(const QDir& dir) {
    return dir.entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files);
}

bool holdsData(const QDir& dir) {
    return dir.exists(QStringLiteral("Template.dat")) || dir.exists(QStringLiteral("plist.ini")) ||
           !listFiles(dir).isEmpty();
}

bool holdsList(const QDir& dir) {
    for (const QString& name : listFiles(dir))
        if (name.compare(QLatin1String("AreaCodes.mdb"), Qt::CaseInsensitive) != 0)
            return true;
    return false;
}

// Copies the seed files the folder lacks. A file already there is the user's and
// stays; the area code file counts under either of its names, and the default
// list is only added to a folder that holds no list at all, so a list the user
// deleted does not come back.
QString seed(const QString& folder, const QString& source) {
    const QDir dir(folder);
    for (const char* file : seedFiles) {
        const QString name = QString::fromLatin1(file);
        if (dir.exists(name) || !QFile::exists(AppFolder::join(source, name)))
            continue;
        if (name == QLatin1String("AreaCodes.dat") && dir.exists(QStringLiteral("AreaCodes.mdb")))
            continue;
        if (name == QLatin1String("Quillary.mdb") && holdsList(dir))
            continue;
        const QString target = AppFolder::join(folder, name);
        QFile from(AppFolder::join(source, name));
        if (!from.copy(target) && !QFile::exists(target))
            return QStringLiteral("%1 cannot be copied there (%2)").arg(name, from.errorString());
        // The copy is the user's to change, whatever modes the installation has.
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
    }
    return {};
}

QString prepare(const QString& folder, const QString& source) {
    if (folder.isEmpty())
        return QStringLiteral("no home folder is known");
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder cannot be created");
    if (!QFileInfo(folder).isDir() || !QFileInfo(folder).isWritable())
        return QStringLiteral("the folder cannot be written to");
    return source.isEmpty() ? QString() : seed(folder, source);
}
} // namespace

namespace AppFolder {
QString programFolder() {
    if (!g_override.isEmpty())
        return g_override;
    if (!g_chosen.isEmpty())
        return g_chosen;
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

void setProgramFolderForTesting(const QString& folder) {
    g_override = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

QString join(const QString& folder, const QString& fileName) {
    return folder + QLatin1Char('/') + fileName;
}

QString userFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/Quillary");
}

QString choose(const QString& ownFolder, const QString& requested) {
    const QString own = QDir::cleanPath(ownFolder);
    const QString installed = QDir::cleanPath(own + QStringLiteral("/../share/quillary"));
    const bool isInstalled = QFileInfo(installed).isDir();
    // The data shipped with the program: under the prefix when installed, else
    // beside the program (a build tree or a portable copy).
    const QString source = isInstalled ? installed : holdsData(QDir(own)) ? own : QString();
    QString folder;
    if (!requested.isEmpty())
        folder = QDir::cleanPath(QDir().absoluteFilePath(requested));
    else if (isInstalled && !(holdsData(QDir(own)) && QFileInfo(own).isWritable()))
        folder = userFolder();
    else
        folder = own;
    // The installed data stay as installed: every new folder starts from them.
    QString problem;
    if (isInstalled && (folder == installed || folder.startsWith(installed + QLatin1Char('/'))))
        problem = QStringLiteral("it holds the files every new folder starts from");
    else if (folder != own)
        problem = prepare(folder, source);
    if (!problem.isEmpty()) {
        const QString text =
            QStringLiteral("Quillary cannot keep your lists in \"%1\": %2.\n\nSet XDG_DATA_HOME to "
                           "a folder you can write to, or start Quillary with --folder and a "
                           "folder of your choice.")
                .arg(QDir::toNativeSeparators(folder), problem);
        qWarning().noquote() << text;
        return text;
    }
    g_chosen = folder;
    return QString();
}
} // namespace AppFolder
