// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "FileDescriptor.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A new file written beside the file it will replace. It is created
// exclusively: an existing name, or a link planted there, is never written
// through. Until committed it is removed when it goes out of scope.
class TemporaryFile {
public:
    // A file with a short unique name in folder, so that even a target whose
    // name is as long as the file system allows can be written this way.
    explicit TemporaryFile(const QString& folder);
    // The file folder/name; whatever holds that name (a stale file, a link) is
    // removed first, never followed. Throws RunError.
    TemporaryFile(const QString& folder, const QString& name);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Writes all of data. Throws RunError.
    void write(const char* data, qsizetype size);
    // Gives the file these permission bits (it is created readable by its owner only).
    void setMode(unsigned mode);
    // Flushes the content to disk, closes it and moves it over target in one
    // step, so target is either the old file or the complete new one, even
    // after a crash. Throws RunError; the temporary file is gone either way.
    void commitOver(const QString& target);

private:
    QByteArray path_;
    FileDescriptor fd_;
    bool committed_ = false;
};
