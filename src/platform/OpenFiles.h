// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// Database files a data control holds open. Copying onto or from such a file,
// or renaming it, is refused (permission denied): the list in use must not change
// under the data control, nor be copied half-written.
namespace OpenFiles {
void acquire(const QString& path);
void release(const QString& path);
bool isOpen(const QString& path);
} // namespace OpenFiles
