// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>

// Text as Access stores it, turned into UTF-8 exactly: nothing is dropped or
// replaced except code units that are no character at all (a lone surrogate
// becomes U+FFFD).
namespace AccessText {
// Jet 4 and ACE: UTF-16LE, or the compressed form: marker FF FE, then segments
// ended by zero bytes, alternately one byte per character (U+0001..U+00FF) and
// UTF-16LE units.
std::string fromJet4(const unsigned char* data, std::size_t size);
// Jet 3: 8-bit text in the Windows-1252 code page.
std::string fromJet3(const unsigned char* data, std::size_t size);
} // namespace AccessText
