// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "carddav_sync/DavClient.h"

#include <QString>
#include <functional>

class Database;

// One sync of a linked list with its address book, both ways. Changes on the
// server come by sync-collection where the book offers it, else by its ctag
// and the ETag listing; changes here are found by comparing each contact with
// its state at the last sync. Nothing is lost on either side:
// - a card is rewritten only in the properties the list has fields for;
// - a field changed on one side takes that side's value; a field changed on
//   both sides differently keeps both: the server's version stays the
//   contact, the local one becomes a second contact on both sides;
// - a contact deleted on one side and edited on the other is kept, edited;
// - a contact on both sides before the first sync (same UID, or same name
//   and the same phone or e-mail) becomes one.
// Every step is committed as soon as the server has taken it, and a new
// card's name is recorded before it is sent, so a sync killed at any moment
// and run again neither loses nor duplicates anything.
class SyncEngine {
public:
    struct Result {
        int received = 0;   // contacts changed here by the server
        int sent = 0;       // cards changed on the server
        int conflicts = 0;  // contacts kept twice
        int unreadable = 0; // cards on the server that could not be read, left alone
        int refused = 0;    // cards the server would not take, kept here as they are
        int created = 0;    // of sent: new cards
        QString summary() const;
    };
    // Progress: done of total steps, for a long sync.
    using Progress = std::function<void(int done, int total)>;

    SyncEngine(Database& list, DavClient& client);
    // Throws DavError when the server fails (what was done stays done) and
    // RunError when the list cannot be written.
    Result run(const Progress& progress = {});

private:
    struct Impl;
    Database& list_;
    DavClient& client_;
};
