// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Bringing a list kept as a Microsoft Access database (Jet 3, Jet 4 or ACE) into
// the program: the table is read by the Access reader in a process of its own
// and written, every row and field as stored, to a list file of the program's
// own format, which takes the original's name; the original is kept byte for
// byte under a name of its own. Either the original stays under its name, or
// the converted list and the kept original are both in place.
namespace AccessConversion {

// One table of an Access file as the reader handed it over.
struct Table {
    // Every table of the database.
    std::vector<std::string> tables;
    bool found = false;
    std::vector<std::string> columns;
    // Row by row; a field without a value is null.
    std::vector<std::optional<std::string>> cells;
    std::size_t rowCount() const { return columns.empty() ? 0 : cells.size() / columns.size(); }
};

// Why a file was not converted; message names the file and says what to do.
class Refused : public std::exception {
public:
    enum class Reason { NotAList, Damaged, Encrypted, NoPassword, NotWritable, NoReader };
    Refused(Reason reason, QString message) : reason_(reason), message_(std::move(message)) {}
    Reason reason() const { return reason_; }
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return "Access file refused"; }

private:
    Reason reason_;
    QString message_;
};

struct Hooks {
    // Asks for the database password of fileName; again when the last answer
    // was wrong. No answer (Cancel) gives up.
    std::function<std::optional<QString>(const QString& fileName, bool again)> password;
    // Rows read and written so far, of total.
    std::function<void(qint64 done, qint64 total)> progress;
};

struct Converted {
    qint64 rows = 0;
    // The kept original's file name, in the same folder.
    QString keptAs;
    // The database's other tables, which only the original holds.
    QStringList otherTables;
};

// Whether the file at path is an Access database (by its header).
bool isAccessFile(const QString& path);

// Reads one table of the Access file at path. Throws Refused (Damaged) when the
// file cannot be read.
Table read(const QString& path, const QString& table,
           const std::function<void(qint64, qint64)>& progress = {});

// Converts the Access file at path in place, with its table (pName2 for a list,
// TelephoneAreas for the area code database). Throws Refused.
Converted convert(const QString& path, const QString& table, const Hooks& hooks);

// Test seams: how long a silent reader is waited for (15 s); a failure injected at one of the
// conversion's writing steps (1 = creating the new list, 2 = writing its rows,
// 3 = keeping the original, 4 = putting the new list in place; 0 = none).
void setTimeLimitMs(int ms);
// Runs this program as the reader instead of the installed one; empty restores it.
void setReaderForTesting(const QString& path);
void failAtStep(int step);
// What the reader processes did: how many ran, and how many crashed or hung.
struct ReaderCounts {
    int runs = 0;
    int crashes = 0;
    int timeouts = 0;
};
ReaderCounts readerCounts();
} // namespace AccessConversion
