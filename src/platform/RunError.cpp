// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunError.h"

#include <QHash>

namespace {
const QHash<int, QString>& descriptions() {
    static const QHash<int, QString> table = {
        {5, "Invalid procedure call or argument"},
        {6, "Overflow"},
        {7, "Out of memory"},
        {9, "Subscript out of range"},
        {13, "Type mismatch"},
        {52, "Bad file name or number"},
        {53, "File not found"},
        {57, "Device I/O error"},
        {58, "File already exists"},
        {61, "Disk full"},
        {62, "Input past end of file"},
        {70, "Permission denied"},
        {71, "Disk not ready"},
        {75, "Path/File access error"},
        {76, "Path not found"},
        {91, "Object variable or With block variable not set"},
        {94, "Invalid use of Null"},
        {3020, "Update or CancelUpdate without AddNew or Edit."},
        {3021, "No current record."},
        {3022, "The changes you requested to the table were not successful because they would "
               "create duplicate values in the index, primary key, or relationship. Change the "
               "data in the field or fields that contain duplicate data, remove the index, or "
               "redefine the index to permit duplicate entries and try again."},
        {3024, "Could not find file '%1'."},
        {3026, "Not enough space on disk."},
        {3027, "Cannot update. Database or object is read-only."},
        {3043, "Disk or network error."},
        {3049, "Cannot open database '%1'. It may not be a database that your application "
               "recognizes, or the file may be corrupt."},
        {3051, "The database engine cannot open the file '%1'. It is already "
               "opened exclusively by another user, or you need permission to view its data."},
        {3061, "Too few parameters. Expected 1."},
        {3075, "Syntax error in query expression '%1'."},
        {3078, "The database engine cannot find the input table or query '%1'. "
               "Make sure it exists and that its name is spelled correctly."},
        {3131, "Syntax error in FROM clause."},
        {3167, "Record is deleted."},
        {3218, "Could not update; currently locked."},
        {3265, "Item not found in this collection."},
        {3343, "Unrecognized database format '%1'."},
    };
    return table;
}

int g_pendingNumber = 0;
QString g_pendingDescription;
} // namespace

RunError::RunError(int number, QString description)
    : number_(number), description_(std::move(description)), what_(failureMessage().toStdString()) {
}

RunError RunError::of(int number) {
    return of(number, QString());
}

RunError RunError::of(int number, const QString& name) {
    QString text = descriptions().value(number, QStringLiteral("Application-defined or "
                                                               "object-defined error"));
    if (text.contains(QLatin1String("%1")))
        text = text.arg(name);
    return RunError(number, text);
}

QString RunError::failureMessage() const {
    return QStringLiteral("*") + QString::number(number_) + QStringLiteral(" ") + description_;
}

namespace PendingError {
int number() {
    return g_pendingNumber;
}
QString description() {
    return g_pendingDescription;
}
RunError error() {
    return RunError(g_pendingNumber, g_pendingDescription);
}
void set(const RunError& e) {
    g_pendingNumber = e.number();
    g_pendingDescription = e.description();
}
void clear() {
    g_pendingNumber = 0;
    g_pendingDescription.clear();
}
} // namespace PendingError
