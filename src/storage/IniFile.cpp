// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniFile.h"

#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/OpenFiles.h"
#include "platform/Resume.h"
#include "platform/RunError.h"
#include "platform/SqlErrors.h"
#include "platform/TemporaryFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QStringList g_listing{QString()};

// Names are bare file names in the application folder; anything that would
// reach another folder is refused as a bad file name.
QString pathFor(const QString& fileName) {
    if (fileName == QLatin1String(".") || fileName == QLatin1String("..") ||
        fileName.contains(QLatin1Char('/')) || fileName.contains(QLatin1Char('\\')) ||
        fileName.contains(QChar(0)))
        throw RunError::of(ErrNo::BadFileName);
    return AppFolder::join(AppFolder::programFolder(), fileName);
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QByteArray readAllBytes(const QString& path) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw fromErrno(errno);
    QByteArray bytes;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            throw fromErrno(err);
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}

// A line ends at CR LF or a lone CR; a lone LF ends one too, since that is what
// editors on this system write. Terminators are not part of the line, and a
// final line without one still counts.
QList<QByteArray> splitLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

// The text after the key and the one character that follows it ("=").
QString valueAfterKey(const QByteArray& line, qsizetype keyBytes) {
    const QString rest = QString::fromLocal8Bit(line.mid(keyBytes));
    if (rest.isEmpty())
        return rest;
    return rest.mid(rest.at(0).isHighSurrogate() && rest.size() > 1 ? 2 : 1);
}

QByteArray rewritten(const QList<QByteArray>& lines, const QByteArray& section,
                     const QByteArray& keyLine) {
    const qsizetype eq = keyLine.indexOf('=');
    const QByteArray keyPrefix = eq < 0 ? keyLine : keyLine.left(eq + 1);
    QByteArray out;
    const auto put = [&out](const QByteArray& line) {
        out += line;
        out += "\r\n";
    };
    qsizetype i = 0;
    while (i < lines.size()) {
        const QByteArray& line = lines.at(i++);
        put(line);
        if (!line.startsWith(section))
            continue;
        bool replaced = false;
        while (i < lines.size() && !lines.at(i).startsWith('[')) {
            const QByteArray& inside = lines.at(i++);
            if (inside.startsWith(keyPrefix)) {
                put(keyLine);
                replaced = true;
            } else if (!inside.isEmpty()) {
                put(inside);
            }
        }
        if (!replaced)
            put(keyLine);
        // The line that ends the section is copied as it is, never taken for a header.
        if (i < lines.size())
            put(lines.at(i++));
    }
    return out;
}

} // namespace

namespace IniFile {

QString ReadIniValue(const QString& section, const QString& key, const QString& fileName) {
    const QString name = fileName.isEmpty() ? QStringLiteral("plist.ini") : fileName;
    QString result;
    g_listing = QStringList{QString()};

    const QString path = pathFor(name);
    if (!FileSystem::exists(path))
        return result;
    const QList<QByteArray> lines = splitLines(readAllBytes(path));
    const QByteArray sectionBytes = section.toLocal8Bit();
    const QByteArray keyBytes = key.toLocal8Bit();
    const bool listingMode = key.toUpper() == QLatin1String("*ALL*");

    qsizetype i = 0;
    while (i < lines.size()) {
        const QByteArray& header = lines.at(i++);
        if (!header.startsWith(sectionBytes))
            continue;
        if (listingMode) {
            // A repeated section follows the earlier one in the listing.
            g_listing.append(QString::fromLocal8Bit(header));
            while (i < lines.size()) {
                const QByteArray& line = lines.at(i++);
                if (line.startsWith('['))
                    break;
                g_listing.append(QString::fromLocal8Bit(line));
            }
            continue;
        }
        // The key is looked for from the header on, through later sections too.
        const QByteArray* line = &header;
        for (;;) {
            if (line->startsWith(keyBytes)) {
                if (line->size() > keyBytes.size())
                    result = valueAfterKey(*line, keyBytes.size());
                break;
            }
            if (i >= lines.size())
                break;
            line = &lines.at(i++);
        }
    }
    return result;
}

bool WriteIniValue(const QString& section, const std::optional<QString>& keyLine,
                   const QString& fileName) {
    if (!keyLine)
        return false;
    const QString name = fileName.isEmpty() ? QString::fromLatin1(writerDefaultFileName) : fileName;
    try {
        const QString path = pathFor(name);
        if (!FileSystem::exists(path))
            return true;
        const QByteArray content = rewritten(splitLines(readAllBytes(path)), section.toLocal8Bit(),
                                             keyLine->toLocal8Bit());

        // Only a file made here is written: a stale "qv.new", or a link
        // planted under that name, is removed rather than followed.
        TemporaryFile temporary(AppFolder::programFolder(), QString::fromLatin1(temporaryFileName));
        struct stat old {};
        if (::stat(native(path).constData(), &old) == 0)
            temporary.setMode(old.st_mode);
        temporary.write(content.constData(), content.size());
        if (OpenFiles::isOpen(path))
            throw RunError::of(ErrNo::PermissionDenied);
        // The complete new file takes the old one's place in one step, so the
        // folder is never without its settings.
        temporary.commitOver(path);
    } catch (const RunError&) {
        throw;
    } catch (const std::exception& e) {
        throw toRunError(e);
    }
    return true;
}

QStringList listing() {
    return g_listing;
}

} // namespace IniFile
