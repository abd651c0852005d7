#pragma once
#include <QString>

// The application folder: the folder of the running program, where every data
// file of the system lives.
namespace AppFolder {
// The folder of the running program, without a trailing separator.
QString programFolder();
// Tests point the program at a folder of their own.
void setProgramFolderForTesting(const QString& folder);
// folder + separator + file name.
QString join(const QString& folder, const QString& fileName);
} // namespace AppFolder
