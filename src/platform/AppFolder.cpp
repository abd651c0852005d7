#include "AppFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString g_override;
}

namespace AppFolder {
QString programFolder() {
    if (!g_override.isEmpty())
        return g_override;
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

void setProgramFolderForTesting(const QString& folder) {
    g_override = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

QString join(const QString& folder, const QString& fileName) {
    return folder + QLatin1Char('/') + fileName;
}
} // namespace AppFolder
