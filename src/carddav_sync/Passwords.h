// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Server passwords, kept in the desktop's keyring (the Secret Service or
// KWallet). Where no keyring answers, a password is kept for this run of the
// program only. Never written to a file of the program's own.
namespace Passwords {
// The keyring's name for a user on a server.
QString keyFor(const QString& server, const QString& user);
// The password kept for key; empty when none is known.
QString read(const QString& key);
// Keeps the password; returns false when only this run keeps it.
bool write(const QString& key, const QString& password);
void forget(const QString& key);
} // namespace Passwords
