// SPDX-License-Identifier: GPL-3.0-or-later
#include "OpenFiles.h"

#include <QFileInfo>
#include <QHash>

namespace {
QHash<QString, int>& counts() {
    static QHash<QString, int> c;
    return c;
}

// The same file under any spelling of its path; names compare as the file
// system does (exactly, on Linux).
QString key(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // A file gone from its folder (deleted while open) keeps the key it was opened under.
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}
} // namespace

namespace OpenFiles {
void acquire(const QString& path) {
    ++counts()[key(path)];
}

void release(const QString& path) {
    auto it = counts().find(key(path));
    if (it != counts().end() && --it.value() <= 0)
        counts().erase(it);
}

bool isOpen(const QString& path) {
    return counts().contains(key(path));
}
} // namespace OpenFiles
