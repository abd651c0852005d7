// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// Fills a list file with generated, realistic contacts (names, companies,
// addresses, phones, some non-ASCII names), reproducibly.
void generateContacts(const QString& listPath, int count);
