// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSystem.h"

#include "OpenFiles.h"
#include "RunError.h"
#include "SqlErrors.h"

#include "FileDescriptor.h"
#include "TemporaryFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int g_failNextCopy = 0;

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

[[noreturn]] void throwErrno() {
    throw fromErrno(errno);
}

bool matchesOne(const QString& name, const QString& pattern) {
    if (pattern.isEmpty() || pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    if (pattern.startsWith(QLatin1String("*.")))
        return name.endsWith(pattern.mid(1), Qt::CaseInsensitive) &&
               name.size() > pattern.size() - 1;
    return name.compare(pattern, Qt::CaseInsensitive) == 0;
}

// Patterns separated by ";" match a name any one of them matches.
bool matches(const QString& name, const QString& patterns) {
    const QStringList each = patterns.split(QLatin1Char(';'));
    return std::any_of(each.begin(), each.end(),
                       [&](const QString& pattern) { return matchesOne(name, pattern); });
}

} // namespace

namespace FileSystem {

bool exists(const QString& path) {
    return QFileInfo::exists(path);
}

QStringList files(const QString& folder, const QString& pattern) {
    QStringList out;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (matches(name, pattern))
            out << name;
    return out;
}

bool anyMatch(const QString& folder, const QString& pattern) {
    return !files(folder, pattern).isEmpty();
}

void copy(const QString& source, const QString& target) {
    if (OpenFiles::isOpen(source) || OpenFiles::isOpen(target))
        throw RunError::of(ErrNo::PermissionDenied);
    if (QFileInfo(source).isDir())
        throw RunError::of(ErrNo::PathFileAccessError);
    FileDescriptor in(::open(native(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!in)
        throwErrno();
    TemporaryFile temp(QFileInfo(target).absolutePath());
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwErrno();
        }
        if (n == 0)
            break;
        temp.write(buffer, qsizetype(n));
        if (g_failNextCopy) {
            const int number = g_failNextCopy;
            g_failNextCopy = 0;
            throw RunError::of(number);
        }
    }
    temp.commitOver(target);
}

void rename(const QString& source, const QString& target) {
    if (OpenFiles::isOpen(source) || OpenFiles::isOpen(target))
        throw RunError::of(ErrNo::PermissionDenied);
    const QByteArray from = native(source);
    const QByteArray to = native(target);
    // The rename itself refuses an existing target, so a file (or link) made
    // in the meantime is never replaced.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        throwErrno();
    // File systems without it: a hard link cannot replace a name either.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        throwErrno();
    // Nor hard links: the test just before is all that is left.
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0)
        throw RunError::of(ErrNo::FileAlreadyExists);
    if (::rename(from.constData(), to.constData()) != 0)
        throwErrno();
}

void remove(const QString& path) {
    if (OpenFiles::isOpen(path))
        throw RunError::of(ErrNo::PermissionDenied);
    if (::unlink(native(path).constData()) != 0)
        throwErrno();
}

void failNextCopyWith(int errorNumber) {
    g_failNextCopy = errorNumber;
}

} // namespace FileSystem
