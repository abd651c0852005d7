// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

struct Globals;

class DirListBox;
class DriveListBox;
class FileListBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "File Maintenance": the list chooser. Offers the list files of the
// application folder and makes the chosen one the current list of the main window.
class frmFM : public QDialog {
    Q_OBJECT
public:
    explicit frmFM(Globals& globals, QWidget* parent = nullptr);
    ~frmFM() override;

    // Shows the chooser modally over the main window; returns when it closes.
    static void showModal(Globals& globals);
    // The chooser while it is loaded (null otherwise).
    static frmFM* instance();

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();
    // 0 OK, 1 Cancel.
    void cmdButtons_Click(int index);

    // Controls, by their designer names.
    DriveListBox* Drive1 = nullptr;
    DirListBox* Dir1 = nullptr;
    FileListBox* File1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* cmdButtons[2] = {nullptr, nullptr};
    QLineEdit* Text1 = nullptr;

private:
    Globals& globals_;

    void choose();
};
