// SPDX-License-Identifier: GPL-3.0-or-later
#include "Database.h"

#include "OpenFiles.h"
#include "RunError.h"
#include "SqlErrors.h"

#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

int compareNoCase(const char* a, int lengthA, const char* b, int lengthB) {
    // Fast path for plain ASCII, which most names are.
    const int n = std::min(lengthA, lengthB);
    bool ascii = true;
    for (int i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if ((ca | cb) & 0x80) {
            ascii = false;
            break;
        }
        if (ca >= 'A' && ca <= 'Z')
            ca += 32;
        if (cb >= 'A' && cb <= 'Z')
            cb += 32;
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (ascii) {
        bool restAscii = true;
        for (int i = n; i < lengthA && restAscii; ++i)
            restAscii = !(static_cast<unsigned char>(a[i]) & 0x80);
        for (int i = n; i < lengthB && restAscii; ++i)
            restAscii = !(static_cast<unsigned char>(b[i]) & 0x80);
        if (restAscii)
            return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
    }
    const QString sa = QString::fromUtf8(a, lengthA);
    const QString sb = QString::fromUtf8(b, lengthB);
    const int c = sa.compare(sb, Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {
int noCase(void*, int la, const void* a, int lb, const void* b) {
    return compareNoCase(static_cast<const char*>(a), la, static_cast<const char*>(b), lb);
}
} // namespace

Database::Database(const QString& path) : path_(path) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw RunError::of(ErrNo::CouldNotFindFile, path);
    // The engine would take an empty file for an empty database.
    if (info.size() == 0)
        throw RunError::of(ErrNo::UnrecognizedFormat, path);
    try {
        open();
        // The engine falls back to reading only when opening for writing fails,
        // even for a passing fault; one more try tells the two apart.
        if (readOnly())
            open();
    } catch (const std::exception& e) {
        db_.reset();
        rethrow(e);
    }
    OpenFiles::acquire(path_);
}

void Database::open() {
    prepared_.clear();
    db_.reset();
    // The program uses each connection from its own thread only, so the
    // engine need not lock it on every call (a list fill makes millions).
    db_ = std::make_unique<SQLite::Database>(path_.toStdString(),
                                             SQLite::OPEN_READWRITE | SQLite::OPEN_NOMUTEX);
    // Names must sort and match without regard to case in every language; an
    // engine left with its own rule (ASCII letters only) would not.
    const int rc = sqlite3_create_collation_v2(db_->getHandle(), "NOCASE", SQLITE_UTF8, nullptr,
                                               noCase, nullptr);
    if (rc != SQLITE_OK)
        throw rc == SQLITE_NOMEM ? RunError::of(7) : RunError::of(ErrNo::CannotOpenFile, path_);
    db_->exec("PRAGMA synchronous=FULL");
    // Reading the schema tells a database from any other file.
    SQLite::Statement probe(*db_, "SELECT count(*) FROM sqlite_master");
    probe.executeStep();
}

bool Database::readOnly() const {
    return db_ && sqlite3_db_readonly(db_->getHandle(), "main") == 1;
}

SQLite::Statement& Database::prepared(const std::string& sql) {
    std::unique_ptr<SQLite::Statement>& q = prepared_[sql];
    if (!q)
        q = std::make_unique<SQLite::Statement>(*db_, sql);
    q->reset();
    return *q;
}

Database::~Database() {
    // The statements go before the connection they were prepared on.
    prepared_.clear();
    db_.reset();
    OpenFiles::release(path_);
}

void Database::rethrow(const std::exception& e) const {
    if (auto run = dynamic_cast<const RunError*>(&e))
        throw *run;
    if (auto sql = dynamic_cast<const SQLite::Exception*>(&e))
        throw fromSqlite(*sql, path_);
    throw RunError(ErrNo::DiskOrNetworkError, QString::fromLocal8Bit(e.what()));
}

bool Database::hasTable(const QString& name) {
    return guarded([&] {
        SQLite::Statement q(*db_, "SELECT 1 FROM sqlite_master WHERE type IN ('table','view') "
                                  "AND name = ? COLLATE NOCASE");
        q.bind(1, name.toStdString());
        return q.executeStep();
    });
}

QStringList Database::columns(const QString& table) {
    return guarded([&] {
        QStringList out;
        SQLite::Statement q(*db_, "SELECT name FROM pragma_table_info(?)");
        q.bind(1, table.toStdString());
        while (q.executeStep())
            out << QString::fromStdString(q.getColumn(0).getString());
        return out;
    });
}
