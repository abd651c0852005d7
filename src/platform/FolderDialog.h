// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QString>

class QWidget;

// Every folder choice of the program goes through here. Tests switch on
// scripting: no real dialog is shown, queued answers are returned in order (an
// empty answer, as for Cancel, when none is queued), and every question is recorded.
namespace FolderDialog {

struct Asked {
    QString caption;
    QString startIn;
};

// Lets the user choose an existing folder, starting in startIn. Returns the
// chosen folder, or the empty string when the user cancels.
QString chooseFolder(QWidget* parent, const QString& caption, const QString& startIn);

// Test seams.
void setScripted(bool on);
bool isScripted();
void setNextAnswer(const QString& folder);
QList<Asked> asked();
Asked last();
void clearAsked();

} // namespace FolderDialog
