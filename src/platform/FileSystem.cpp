#include "FileSystem.h"

#include "OpenFiles.h"
#include "RunError.h"
#include "SqlErrors.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_failNextCopy = 0;

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

[[noreturn]] void throwErrno() {
    throw fromErrno(errno);
}

bool matches(const QString& name, const QString& pattern) {
    if (pattern.isEmpty() || pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    if (pattern.startsWith(QLatin1String("*.")))
        return name.endsWith(pattern.mid(1), Qt::CaseInsensitive) &&
               name.size() > pattern.size() - 1;
    return name.compare(pattern, Qt::CaseInsensitive) == 0;
}

void writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwErrno();
        }
        data += n;
        size -= n;
    }
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
    const QString temp = target + QStringLiteral(".quillary-copy");
    const int in = ::open(native(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throwErrno();
    const int out =
        ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        throw fromErrno(err);
    }
    try {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throwErrno();
            }
            if (n == 0)
                break;
            writeAll(out, buffer, n);
            if (g_failNextCopy) {
                const int number = g_failNextCopy;
                g_failNextCopy = 0;
                throw RunError::of(number);
            }
        }
        if (::fsync(out) != 0)
            throwErrno();
        if (::close(out) != 0) {
            ::close(in);
            ::unlink(native(temp).constData());
            throwErrno();
        }
        ::close(in);
    } catch (...) {
        ::close(in);
        ::close(out);
        ::unlink(native(temp).constData());
        throw;
    }
    if (::rename(native(temp).constData(), native(target).constData()) != 0) {
        const int err = errno;
        ::unlink(native(temp).constData());
        throw fromErrno(err);
    }
}

void rename(const QString& source, const QString& target) {
    if (OpenFiles::isOpen(source) || OpenFiles::isOpen(target))
        throw RunError::of(ErrNo::PermissionDenied);
    if (!exists(source))
        throw RunError::of(ErrNo::FileNotFound);
    if (exists(target))
        throw RunError::of(ErrNo::FileAlreadyExists);
    if (::rename(native(source).constData(), native(target).constData()) != 0)
        throwErrno();
}

void remove(const QString& path) {
    if (OpenFiles::isOpen(path))
        throw RunError::of(ErrNo::PermissionDenied);
    if (::unlink(native(path).constData()) != 0)
        throwErrno();
}

void replace(const QString& source, const QString& target) {
    if (OpenFiles::isOpen(target))
        throw RunError::of(ErrNo::PermissionDenied);
    if (::rename(native(source).constData(), native(target).constData()) != 0)
        throwErrno();
}

void failNextCopyWith(int errorNumber) {
    g_failNextCopy = errorNumber;
}

} // namespace FileSystem
