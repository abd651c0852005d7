// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include <exception>
#include <functional>
#include <optional>

class Database;

// Writes the contacts of a list file as one vCard file. Each contact carries
// the UID the list keeps for it (given on its first export); a contact taken
// from a card is written as that card with its changed fields rewritten. The
// file is written whole under a temporary name and then put in place, so the
// chosen name holds either the old file or the complete new one.
namespace ListExport {

// Why the file was not written; message names the file.
class Failed : public std::exception {
public:
    explicit Failed(QString message) : message_(std::move(message)) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return "export failed"; }

private:
    QString message_;
};

// The contacts whose field (a column of the contact table) equals a text,
// compared as the list compares names; none means every contact.
struct Choice {
    QString field;
    QString text;
};

// How many contacts a choice takes. Throws RunError.
qint64 count(Database& db, const std::optional<Choice>& choice = {});

// Writes the contacts to path and returns how many were written. progress is
// told (done, total) as the contacts are written. Throws Failed.
qint64 write(Database& db, const QString& path, const std::optional<Choice>& choice = {},
             const std::function<void(qint64 done, qint64 total)>& progress = {});

} // namespace ListExport
