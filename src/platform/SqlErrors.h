// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "RunError.h"

namespace SQLite {
class Exception;
}

// Maps a database engine failure to the numbered error the user sees.
RunError fromSqlite(const SQLite::Exception& e, const QString& path);
RunError fromSqliteCode(int extendedCode, const QString& message, const QString& path);
// Maps an operating-system error number (errno) to a file error.
RunError fromErrno(int err);
