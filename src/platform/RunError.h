// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <stdexcept>

// A run-time failure: a number and a description, as the user sees them in
// messages such as "*70 Permission denied".
class RunError : public std::exception {
public:
    RunError(int number, QString description);
    // The standard description for a known number ("Permission denied" for 70).
    static RunError of(int number);
    // As of(), with a name filled into descriptions that quote one (3024, 3078, ...).
    static RunError of(int number, const QString& name);

    int number() const { return number_; }
    const QString& description() const { return description_; }
    // "*" + number + " " + description.
    QString failureMessage() const;
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString description_;
    std::string what_;
};

namespace ErrNo {
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int FileAlreadyExists = 58;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int ObjectNotSet = 91;
inline constexpr int UpdateWithoutAddNew = 3020;
inline constexpr int NoCurrentRecord = 3021;
inline constexpr int DuplicateKey = 3022;
inline constexpr int CouldNotFindFile = 3024;
inline constexpr int DiskFullDb = 3026;
inline constexpr int ReadOnlyDb = 3027;
inline constexpr int DiskOrNetworkError = 3043;
inline constexpr int CorruptDatabase = 3049;
inline constexpr int CannotOpenFile = 3051;
inline constexpr int TooFewParameters = 3061;
inline constexpr int SyntaxErrorInExpression = 3075;
inline constexpr int TableNotFound = 3078;
inline constexpr int SyntaxErrorInFrom = 3131;
inline constexpr int RecordDeleted = 3167;
inline constexpr int CouldNotUpdateLocked = 3218;
inline constexpr int ItemNotFound = 3265;
inline constexpr int UnrecognizedFormat = 3343;
} // namespace ErrNo

// The program's pending run-time error: the number of the last failure that a
// handler skipped or caught, 0 when none. Handlers that look at "the current
// error number" read it here.
namespace PendingError {
int number();
QString description();
// The pending failure as an error, to report it.
RunError error();
void set(const RunError& e);
void clear();
} // namespace PendingError
