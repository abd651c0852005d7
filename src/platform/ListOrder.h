// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStringView>
#include <string>
#include <string_view>

// The order of a sorted list box: alphabetical without regard to case or
// accents; between names with the same letters an accent decides, then case
// (capitals first). Only identical texts compare equal, so the list a set of
// names makes does not depend on the order they were read in.
namespace ListOrder {
// Appends the letters of a text, folded and without accents, as bytes that
// compare in list order (the primary key); returns whether the text is ASCII.
bool appendKey(QStringView text, std::string& out);
// Compares a text with a primary key made by appendKey, by primary key only.
int comparePrimary(QStringView text, std::string_view key);
// Compares texts with equal primary keys: accents, then case.
int compareTies(QStringView a, QStringView b);
// The whole order: < 0, 0 (identical texts) or > 0.
int compare(QStringView a, QStringView b);
// The same for two ASCII texts, without building keys.
int compareAscii(QStringView a, QStringView b);
bool isAscii(QStringView text);
} // namespace ListOrder
