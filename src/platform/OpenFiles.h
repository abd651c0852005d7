#pragma once
#include <QString>

// Database files a data control holds open. Copying onto or from such a file,
// or renaming it, is refused (permission denied), as the original platform did.
namespace OpenFiles {
void acquire(const QString& path);
void release(const QString& path);
bool isOpen(const QString& path);
} // namespace OpenFiles
