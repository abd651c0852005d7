// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "PickListBox.h"

#include <QComboBox>
#include <QString>

// The drive, folder and file list boxes of the list dialogs. The drive and
// folder lists only carry a folder into the file list; the file list shows the
// plain files of its folder that match its pattern.

class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);
    // The chosen drive's root folder.
    QString drive() const;
    // Chooses the drive holding path; emits changed() when the drive differs.
    void setDrive(const QString& path);

signals:
    void changed();
};

class DirListBox : public PickListBox {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);
    QString path() const { return path_; }
    // Shows the folder's sub-folders; emits changed() when the path differs.
    void setPath(const QString& folder);

signals:
    void changed();

private:
    QString path_;
};

class FileListBox : public PickListBox {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);
    QString path() const { return path_; }
    void setPath(const QString& folder);
    QString pattern() const { return pattern_; }
    // "*.mdb", or several separated by ";"; empty or "*" lists every file.
    void setPattern(const QString& pattern);
    // Reads the folder again.
    void refill();

    // The selected file's name (no folder), empty when none is selected.
    QString fileName() const;
    int listCount() const { return count(); }
    QString list(int index) const;
    int listIndex() const { return currentRow(); }
    void setListIndex(int index);

signals:
    void dblClick();

private:
    QString path_;
    QString pattern_;
};
