// SPDX-License-Identifier: GPL-3.0-or-later
#include "TemporaryFile.h"

#include "RunError.h"
#include "SqlErrors.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The permissions a plain new file gets under the process's umask.
mode_t defaultMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncFolderOf(const QByteArray& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Makes the rename itself durable; a failure here changes nothing the user sees.
    ::fsync(fd);
    ::close(fd);
}
} // namespace

TemporaryFile::TemporaryFile(const QString& folder)
    : path_(QFile::encodeName(folder + QStringLiteral("/.quillary-XXXXXX"))) {
    fd_.reset(::mkostemp(path_.data(), O_CLOEXEC));
    if (!fd_)
        throw fromErrno(errno);
    ::fchmod(fd_.get(), defaultMode());
}

TemporaryFile::TemporaryFile(const QString& folder, const QString& name)
    : path_(QFile::encodeName(folder + QLatin1Char('/') + name)) {
    ::unlink(path_.constData());
    fd_.reset(
        ::open(path_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd_)
        throw fromErrno(errno);
    ::fchmod(fd_.get(), defaultMode());
}

TemporaryFile::~TemporaryFile() {
    if (!committed_)
        ::unlink(path_.constData());
}

void TemporaryFile::write(const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_.get(), data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fromErrno(errno);
        }
        data += n;
        size -= n;
    }
}

void TemporaryFile::setMode(unsigned mode) {
    ::fchmod(fd_.get(), mode_t(mode) & 07777);
}

void TemporaryFile::commitOver(const QString& target) {
    if (::fsync(fd_.get()) != 0)
        throw fromErrno(errno);
    if (fd_.close() != 0)
        throw fromErrno(errno);
    if (::rename(path_.constData(), QFile::encodeName(target).constData()) != 0)
        throw fromErrno(errno);
    committed_ = true;
    syncFolderOf(path_);
}
