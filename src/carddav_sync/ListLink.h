// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "carddav_sync/DavClient.h"
#include "carddav_sync/SyncEngine.h"
#include "carddav_sync/SyncStore.h"

#include <QString>
#include <QUrl>

class Database;

// Linking a list file to an address book, syncing it and unlinking it: what
// the menu and the command line both do.
namespace ListLink {
// The address the user typed: a host name gets https.
QUrl serverUrl(const QString& typed);
// Whether the address is plain http to another machine (the user is warned).
bool isPlainRemote(const QUrl& url);

DavAccount accountOf(const SyncStore::Link& link, const QString& password, int timeoutMs = 30000);

// Links the list to the book (its address or display name), or to the first
// book of the user when none is named; returns the book. Throws DavError.
DavClient::Book link(Database& list, DavClient& client, const QString& book = {});
// Links the list to a book already found or made.
void keep(Database& list, const DavClient& client, const DavClient::Book& book);
// The link's stored state, if the list is linked.
std::optional<SyncStore::Link> linkOf(Database& list);
void unlink(Database& list);
} // namespace ListLink
