// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListFiles.h"

#include "platform/AppFolder.h"
#include "platform/FileSystem.h"

namespace ListFiles {
QString pathOf(const QString& fileName) {
    return AppFolder::join(AppFolder::programFolder(), fileName);
}

QString displayName(const QString& fileName) {
    if (fileName.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive))
        return fileName.chopped(6);
    return fileName.left(fileName.size() - 4);
}

QString fileNameFor(const QString& typedName) {
    if (typedName.toUpper().endsWith(QLatin1String(".MDB")))
        return typedName;
    return typedName + QStringLiteral(".mdb");
}

bool isPlainFileName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('/') ||
            c == QLatin1Char('\\'))
            return false;
    return true;
}

bool isReservedTemplate(const QString& fileName) {
    return fileName.toUpper() == QLatin1String("TEMPLATE.MDB");
}

bool isReservedAreaCodes(const QString& fileName) {
    return fileName.toUpper() == QLatin1String("AREACODES.MDB");
}

bool isReservedData(const QString& fileName) {
    const QString upper = fileName.toUpper();
    return isReservedTemplate(fileName) || isReservedAreaCodes(fileName) ||
           upper == QString::fromLatin1(templateFile).toUpper() ||
           upper == QString::fromLatin1(areaCodesClosed).toUpper();
}

void closeAreaCodes() {
    if (FileSystem::exists(pathOf(areaCodesOpen)))
        FileSystem::rename(pathOf(areaCodesOpen), pathOf(areaCodesClosed));
}

void openAreaCodes() {
    if (FileSystem::exists(pathOf(areaCodesClosed)))
        FileSystem::rename(pathOf(areaCodesClosed), pathOf(areaCodesOpen));
}
} // namespace ListFiles
