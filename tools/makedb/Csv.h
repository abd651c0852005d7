// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// RFC 4180 reader: quoted fields, doubled quotes, CR LF or LF line ends.
std::vector<std::vector<std::string>> parseCsv(const std::string& text);
