// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileControls.h"

#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    for (const QFileInfo& root : QDir::drives())
        addItem(root.absolutePath());
}

QString DriveListBox::drive() const {
    return currentText();
}

void DriveListBox::setDrive(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    int best = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemText(i);
        if (absolute.startsWith(root, Qt::CaseInsensitive) &&
            (best < 0 || root.size() > itemText(best).size()))
            best = i;
    }
    if (best < 0 || best == currentIndex())
        return;
    setCurrentIndex(best);
    emit changed();
}

DirListBox::DirListBox(QWidget* parent) : PickListBox(parent) {}

void DirListBox::setPath(const QString& folder) {
    const QString cleaned = QDir::cleanPath(folder);
    if (cleaned == path_)
        return;
    path_ = cleaned;
    clear();
    addItems(QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name));
    emit changed();
}

FileListBox::FileListBox(QWidget* parent) : PickListBox(parent) {
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit dblClick(); });
}

void FileListBox::setPath(const QString& folder) {
    path_ = QDir::cleanPath(folder);
    refill();
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    refill();
}

void FileListBox::refill() {
    clear();
    if (!path_.isEmpty())
        addItems(FileSystem::files(path_, pattern_));
}

QString FileListBox::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

QString FileListBox::list(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? it->text() : QString();
}

void FileListBox::setListIndex(int index) {
    setCurrentRow(index);
    if (QListWidgetItem* it = item(index))
        it->setSelected(true);
}
