// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>

class BenchTable;

// Each benchmark adds its rows to the table.
void benchMainWindow(BenchTable& table, const QList<int>& sizes);
// Lists 10,000 address book cards and adds them all to a new list; lists
// books of 100,000 contacts in processes of their own.
void benchImport(BenchTable& table);
// The process listing the book of the mail program in the home folder: prints
// the contacts listed, the seconds taken, the median click and the peak MiB.
int benchListBook();
// Writes a list of 100,000 contacts as one vCard file, beside a raw scan of its rows.
void benchExport(BenchTable& table);
// Converts a 10,000-contact Access list at start-up and shows it.
void benchAccess(BenchTable& table);
// Opens, selects, edits and stores contacts with long notes, the longest of
// `longestNote` characters.
void benchLongNotes(BenchTable& table, int longestNote);
// Syncs a list with a local Radicale book of 10,000 cards: the first sync
// (beside curl fetching the same cards in one multiget), a sync with nothing
// changed, one with one contact changed, and peak memory.
void benchSync(BenchTable& table);
