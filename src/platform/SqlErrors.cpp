// SPDX-License-Identifier: GPL-3.0-or-later
#include "SqlErrors.h"

#include <SQLiteCpp/Exception.h>
#include <cerrno>
#include <sqlite3.h>

RunError fromSqliteCode(int extendedCode, const QString& message, const QString& path) {
    switch (extendedCode & 0xff) {
    case SQLITE_CONSTRAINT:
        if (extendedCode == SQLITE_CONSTRAINT_UNIQUE ||
            extendedCode == SQLITE_CONSTRAINT_PRIMARYKEY)
            return RunError::of(ErrNo::DuplicateKey);
        return RunError(3316, message);
    case SQLITE_NOTADB:
        return RunError::of(ErrNo::UnrecognizedFormat, path);
    case SQLITE_CORRUPT:
        return RunError::of(ErrNo::CorruptDatabase, path);
    case SQLITE_READONLY:
        return RunError::of(ErrNo::ReadOnlyDb);
    case SQLITE_FULL:
        return RunError::of(ErrNo::DiskFullDb);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return RunError::of(ErrNo::CannotOpenFile, path);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return RunError::of(ErrNo::CouldNotUpdateLocked);
    case SQLITE_IOERR:
        return RunError::of(ErrNo::DiskOrNetworkError);
    case SQLITE_NOMEM:
        return RunError::of(7);
    default:
        break;
    }
    if (message.contains(QLatin1String("no such table"))) {
        const QString table = message.section(QLatin1Char(':'), 1).trimmed();
        return RunError::of(ErrNo::TableNotFound, table);
    }
    if (message.contains(QLatin1String("no such column")))
        return RunError::of(ErrNo::TooFewParameters);
    return RunError(ErrNo::SyntaxErrorInExpression,
                    QStringLiteral("Syntax error in query expression. (%1)").arg(message));
}

RunError fromSqlite(const SQLite::Exception& e, const QString& path) {
    return fromSqliteCode(e.getExtendedErrorCode(), QString::fromUtf8(e.what()), path);
}

RunError fromErrno(int err) {
    switch (err) {
    case ENOENT:
        return RunError::of(ErrNo::FileNotFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return RunError::of(ErrNo::PermissionDenied);
    case EEXIST:
        return RunError::of(ErrNo::FileAlreadyExists);
    case ENOSPC:
    case EDQUOT:
        return RunError::of(ErrNo::DiskFull);
    case ENAMETOOLONG:
    case EINVAL:
    case EISDIR:
        return RunError::of(ErrNo::BadFileName);
    case ENOTDIR:
        return RunError::of(ErrNo::PathNotFound);
    default:
        return RunError::of(ErrNo::PathFileAccessError);
    }
}
