// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

struct Globals;

class DirListBox;
class DriveListBox;
class FileListBox;
class QPushButton;
class QWidget;

// "Copy a List": copies a file of the application folder, under its own name,
// into a folder the user chooses. Changes nothing in the main window.
class frmCopyList : public QDialog {
    Q_OBJECT
public:
    explicit frmCopyList(Globals& globals, QWidget* parent = nullptr);
    ~frmCopyList() override;

    // Shows the dialog modally over the main window; returns when it closes.
    static void showDialog(Globals& globals);
    // The dialog while it is loaded (null otherwise).
    static frmCopyList* instance();

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    // 0 OK, 1 Cancel.
    void cmdButtons_Click(int index);

    // Where the folder question starts: the last folder chosen, else the
    // user's documents folder, else their home folder.
    QString startFolder() const;

    // Controls, by their designer names.
    DriveListBox* Drive1 = nullptr;
    DirListBox* Dir1 = nullptr;
    FileListBox* File1 = nullptr;
    QWidget* Picture1 = nullptr;
    QPushButton* cmdButtons[2] = {nullptr, nullptr};

private:
    Globals& globals_;

    void copySelected();
};
