// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>

class BenchTable;

// Each benchmark adds its rows to the table.
void benchMainWindow(BenchTable& table, const QList<int>& sizes);
// Lists 10,000 address book cards and adds them all to a new list.
void benchImport(BenchTable& table);
// Converts a 10,000-contact Access list at start-up and shows it.
void benchAccess(BenchTable& table);
// Opens, selects, edits and stores contacts with long notes, the longest of
// `longestNote` characters.
void benchLongNotes(BenchTable& table, int longestNote);
// Syncs a list with a local Radicale book of 10,000 cards: the first sync
// (beside curl fetching the same cards in one multiget), a sync with nothing
// changed, one with one contact changed, and peak memory.
void benchSync(BenchTable& table);
