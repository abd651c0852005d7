// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>
#include <exception>
#include <memory>
#include <string>
#include <unordered_map>

namespace SQLite {
class Database;
class Statement;
} // namespace SQLite

// One open database file. Opening an existing file only (never creates one);
// while open it is registered with OpenFiles. Text compares without regard to
// case for all letters (the NOCASE collation is replaced by a Unicode-aware one).
class Database {
public:
    // Throws RunError: 3024 missing file, 3343 not a database, 3051 unreadable
    // or its text comparison not accepted by the engine.
    explicit Database(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return path_; }
    // Opened for reading only: the file could not be opened for writing.
    bool readOnly() const;
    SQLite::Database& handle() { return *db_; }
    bool hasTable(const QString& name);
    // A statement prepared once and kept while the file is open, reset and
    // ready for its bindings: for statements run once per record of a long
    // piece of work. Reset it after reading its rows: a statement left
    // running would keep other programs from writing the file.
    SQLite::Statement& prepared(const std::string& sql);
    // Column names of a table in table order.
    QStringList columns(const QString& table);
    // Runs fn and maps engine failures to RunError.
    template <class Fn> auto guarded(Fn&& fn) -> decltype(fn());

private:
    void open();
    [[noreturn]] void rethrow(const std::exception& e) const;
    QString path_;
    std::unique_ptr<SQLite::Database> db_;
    std::unordered_map<std::string, std::unique_ptr<SQLite::Statement>> prepared_;
};

template <class Fn> auto Database::guarded(Fn&& fn) -> decltype(fn()) {
    try {
        return fn();
    } catch (const std::exception& e) {
        rethrow(e);
    }
}

// Case-insensitive comparison of UTF-8 texts for all letters, as list files use.
int compareNoCase(const char* a, int lengthA, const char* b, int lengthB);
