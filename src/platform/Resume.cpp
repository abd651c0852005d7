// SPDX-License-Identifier: GPL-3.0-or-later
#include "Resume.h"

#include "SqlErrors.h"

#include <SQLiteCpp/Exception.h>
#include <filesystem>
#include <new>

RunError toRunError(const std::exception& e) {
    if (auto run = dynamic_cast<const RunError*>(&e))
        return *run;
    if (auto sql = dynamic_cast<const SQLite::Exception*>(&e))
        return fromSqlite(*sql, QString());
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return RunError::of(7);
    if (auto fs = dynamic_cast<const std::filesystem::filesystem_error*>(&e))
        return fromErrno(fs->code().value());
    return RunError(ErrNo::PathFileAccessError, QString::fromLocal8Bit(e.what()));
}
